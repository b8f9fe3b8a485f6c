#pragma once

// The composer of KVTClient without its widgets: which template each tab
// shows for the selected item, which message fields are offered, and the
// document a click on "Enviar para o KVTPLUS" composes from the fields.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace kvt::cliente {

// The tabs of PG_Comandos, in their order.
enum class Aba { Normais, Controle, Troca, Mensagens, Autorizacoes, Configuracoes, Seguranca };
inline constexpr int kNumAbas = 7;
const char* TituloAba(Aba aba);  // Windows-1252

// The items of cbMensagem, in order.
enum class TipoMensagem { Livre, Configuracao, PreDefinida, Formatada, Binaria };

// What the window holds when the button is clicked: the field texts, the
// selected items' texts, the check boxes and radio groups, and the templates
// as shown (and possibly edited) in the text areas.
struct CamposComposicao {
  std::string Origem, Destino, IdTerminal;  // edOrigem, edDestino, edidterminal
  // "Telecomandos Normais"
  std::string cmb_codmsg, mem_normal;
  // "Telecomandos de Controle"
  std::string cmb_controle, mem_controle;
  // "Troca Operadora Celular"
  std::string cmb_codmsgtroca, mem_troca;
  // "Mensagens"
  TipoMensagem cbMensagem = TipoMensagem::Livre;
  std::string mem_msg, ed_msg_livre, ed_msg_pre, ed_hash;
  bool chk_ConfirmaLeitura = false, chk_ConfirmaRecebimento = false;
  // "Autorizações"
  std::string cmb_autorizacao, ed_idautorizacao, mem_autorizacao;
  // "Configurações"
  std::string cmb_configuracoes, cmb_OpcaoConf, ed_Operacao, ed_Configuracao, mem_trans;
  int rg_caracteristica = 0, rg_atendimento = 0, rg_sobreposicao = 0;
  int opChegada = 2, opSaida = 2;
  std::string ed_Titulo;
  bool chk_ListaParadas = false, chk_NaturezaOperacao = false;
  // "Segurança Eletrônica / Mensagens ELP"
  std::string mem_seg_eletr;
};

// Random(n): a pseudo-random integer from 0 to n - 1.
using Aleatorio = std::function<std::uint32_t(std::uint32_t n)>;
// A generator seeded afresh, as every click reseeds it.
Aleatorio AleatorioSemeado();

struct Composicao {
  std::string texto;               // the document(s) to send
  std::optional<std::string> aviso;  // a warning box instead of sending
};

// Composes the tab's document. A template that no longer matches its
// arguments, or a number field that does not read as an integer, raises
// ErroFormato; nothing is sent then.
Composicao ComporTelecomando(Aba aba, const CamposComposicao& campos, const Aleatorio& aleatorio,
                             const std::string& dataHora);

// --- template selection
// cmb_codmsgChange: Normal with time for "E6" items, else Normal.
const std::string& ModeloNormal(const std::string& item);
// cbMensagemChange: the template and the fields it needs.
struct CamposMensagem {
  bool texto = false, confirmaLeitura = false, confirmaRecebimento = false, msgPre = false, hash = false;
};
const std::string& ModeloMensagem(TipoMensagem tipo);
CamposMensagem CamposDaMensagem(TipoMensagem tipo);
// cmb_configuracoesChange: the template of the selected code (empty for the
// blank item); gb_ELP is shown only for -28.
const std::string& ModeloConfiguracao(const std::string& item);
bool MostraELP(const std::string& item);

// The code of a list item: its first n characters, trimmed.
std::string CodigoDoItem(const std::string& item, std::size_t n);

// "&" → "&amp;", then the double quote, "<" and ">"
std::string EscapaTextoLivre(const std::string& texto);

// The free-text field discards "~" and "`".
bool TeclaAceitaTextoLivre(char c);

}  // namespace kvt::cliente
