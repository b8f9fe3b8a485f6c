#include "server/link/command_queue.h"

#include <vector>

#include "platform/text/integer_text.h"
#include "platform/xml/xml_document.h"

namespace kvt::link {

namespace {

KVT_SQL(sqlNroSeqComando, "select NroSeq from tNroSeqComandoKVT", "select NroSeq from tNroSeqComandoKVT");
KVT_SQL(sqlRemoveComandoBanco, "delete from tFilaComandoKVT where NroSeq = :NroSeq",
        "delete from tFilaComandoKVT where NroSeq = :NroSeq");

[[maybe_unused]] const bool compostosRegistrados = [] {
  db::registerComposed("sqlInsereComandoBanco", sqlInsereComandoBanco(2));
  db::registerComposed("sqlRetiraComandoBanco", sqlRetiraComandoBanco(2));
  db::registerComposed("sqlUpdateNroSeqComando", sqlUpdateNroSeqComando(0));
  return true;
}();

}  // namespace

db::SqlText sqlInsereComandoBanco(int numModCom) {
  const std::string n = std::to_string(numModCom);
  return {"insert into tFilaComandoKVT (XML, IP, Porta, DHEntrada, ModCom) values (:XML, :IP, :Porta, GetDate()," + n +
              ")",
          "insert into tFilaComandoKVT (XML, IP, Porta, DHEntrada, ModCom) values (:XML, :IP, :Porta, "
          "datetime('now','localtime')," +
              n + ")"};
}

db::SqlText sqlRetiraComandoBanco(int numModCom) {
  const std::string n = std::to_string(numModCom);
  return {"select NroSeq, XML, IP, Porta\r\nfrom tFilaComandoKVT where ModCom=" + n + " order by NroSeq",
          "select NroSeq, XML, IP, Porta\r\nfrom tFilaComandoKVT where ModCom=" + n + " order by NroSeq"};
}

db::SqlText sqlUpdateNroSeqComando(std::int32_t nroSeq) {
  const std::string n = std::to_string(nroSeq);
  return {"update tNroSeqComandoKVT set NroSeq=" + n, "update tNroSeqComandoKVT set NroSeq=" + n};
}

bool EhDocumentoLogin(const std::string& documento) {
  xml::Document doc;
  if (!doc.parse(documento)) return false;
  std::string codMsg;
  bool achou = false;
  for (auto e = doc.root().firstChildElement(); e; e = e.nextSiblingElement()) {
    if (e.is("CODMSG")) {  // a later occurrence overrides an earlier one, as in the header
      codMsg = e.value();
      achou = true;
    }
  }
  if (!achou || codMsg.empty() || codMsg[0] != '-') return false;
  const auto codigo = text::tryParseInt(codMsg);
  return codigo && *codigo == -27;
}

FilaComandos::FilaComandos(db::Connection& dbZenthora, runtime::EstadoServidor& estado, runtime::LogFiles& logs,
                           const TabelaClientes& clientes, ExecutaTeleCmd executaTeleCmd)
    : db_(dbZenthora), estado_(estado), logs_(logs), clientes_(clientes), executa_(std::move(executaTeleCmd)) {}

std::int32_t FilaComandos::Aguardando(const std::string& ip, std::int32_t porta) const {
  const auto it = aguardando_.find({ip, porta});
  return it == aguardando_.end() ? 0 : it->second;
}

void FilaComandos::InsereComandoBanco(const std::string& documento, const std::string& ip, std::int32_t porta) {
  std::int32_t& aguardando = aguardando_[{ip, porta}];
  if (maximoPorConexao_ > 0 && aguardando >= maximoPorConexao_) {
    logs_.log("TFPrincipal.InsereComandoBanco",
              "Comando do Cliente [" + ip + ":" + std::to_string(porta) + "] descartado: " +
                  std::to_string(aguardando) + " comandos aguardando na fila (limite " +
                  std::to_string(maximoPorConexao_) + ")\r\n" + documento,
              true, false);
    return;
  }
  db::Statement st(db_, sqlInsereComandoBanco(estado_.NumModCom));
  st.bindMemo("XML", documento).bindText("IP", ip).bindInt("Porta", porta);
  st.execute();
  ++aguardando;
}

void FilaComandos::saiDaFila(const Comando& c) {
  const auto it = aguardando_.find({c.IP, c.Porta});
  if (it == aguardando_.end()) return;
  if (--it->second <= 0) aguardando_.erase(it);
}

bool FilaComandos::tratarTelecmd() {
  const auto comando = RetiraComandoBanco();
  if (!comando) return false;
  if (executa_) executa_(comando->XML, comando->IP, comando->Porta);
  RemoveComandoBanco(comando->NroSeq);
  emProcessamento_.reset();
  return true;
}

std::optional<FilaComandos::Comando> FilaComandos::RetiraComandoBanco() {
  static constexpr const char* rotina = "TFPrincipal.RetiraComandoBanco";
  // The rows are read first and the statement closed, so that rows can be
  // deleted while they are looked at.
  std::vector<Comando> linhas;
  {
    db::Statement st(db_, sqlRetiraComandoBanco(estado_.NumModCom));
    st.open();
    for (; !st.eof(); st.next()) {
      Comando c;
      c.NroSeq = st.field("NroSeq").asInt();
      c.XML = st.field("XML").asString();
      c.IP = st.field("IP").asString();
      c.Porta = st.field("Porta").asInt();
      linhas.push_back(std::move(c));
    }
  }
  for (Comando& c : linhas) {
    const bool login = EhDocumentoLogin(c.XML);
    const int pos = clientes_.LocalizaCliente(c.IP, c.Porta);
    const std::string comunica = pos > 0 ? clientes_[pos].Comunica : "Nao";
    if (comunica != "Nao" || login) {
      logs_.log(rotina, "vai tratar comando nroseq= " + std::to_string(c.NroSeq));
      if (VerificaNroSeqComando(c.NroSeq)) {
        logs_.log(rotina, "vai remover e tentar de novo. nroseq= " + std::to_string(c.NroSeq));
        RemoveComandoBanco(c.NroSeq);
      } else {
        UpdateNroSeqComando(c.NroSeq);
      }
      emProcessamento_ = c.NroSeq;
      saiDaFila(c);
      return std::move(c);
    }
    if (pos < 0) {
      // Its sender has gone: nobody can log in for it any more, and the row
      // would be read again on every pass.
      logs_.log(rotina, "comando nroseq= " + std::to_string(c.NroSeq) + " removido: o Cliente [" + c.IP + ":" +
                            std::to_string(c.Porta) + "] desconectou sem que ele fosse tratado");
      RemoveComandoBanco(c.NroSeq);
      saiDaFila(c);
    }
  }
  return std::nullopt;
}

bool FilaComandos::VerificaNroSeqComando(std::int32_t nroSeq) {
  db::Statement st(db_, sqlNroSeqComando());
  st.open();
  const std::int32_t guardado = st.eof() ? 0 : st.field("NroSeq").asInt();
  logs_.log("TFPrincipal.VerificaNroSeqComando",
            "verifica comando nroseq= " + std::to_string(guardado) + " nroseqbanco= " + std::to_string(nroSeq));
  return guardado == nroSeq;
}

void FilaComandos::UpdateNroSeqComando(std::int32_t nroSeq) {
  logs_.log("TFPrincipal.UpdateNroSeqComando", "update comando nroseq= " + std::to_string(nroSeq));
  db::Statement st(db_, sqlUpdateNroSeqComando(nroSeq));
  st.execute();
}

void FilaComandos::RemoveComandoBanco(std::int32_t nroSeq) {
  logs_.log("TFPrincipal.RemoveComandoBanco", "vai remover comando nroseq= " + std::to_string(nroSeq));
  db::Statement st(db_, sqlRemoveComandoBanco());
  st.bindInt("NroSeq", nroSeq);
  st.execute();
}

}  // namespace kvt::link
