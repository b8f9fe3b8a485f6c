// Operator log-in (-27): checks the operator's name and password against
// tUsuario, marks the sender's client record as logged in and may move the
// event pointer back for a reconnecting client.

#include "platform/crypto/md5.h"
#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "platform/text/integer_text.h"
#include "platform/text/trim.h"
#include "server/telecmd/tele_cmd.h"
#include "server/telecmd/texto_xml.h"

namespace kvt::telecmd {

using namespace text::literals;

KVT_SQL(sqlLoginOperador,
        "SELECT idUsuario, Status, HabKVT, Senha, Nome AS NomeOperador FROM tUsuario WHERE Login= :LoginOperador",
        "SELECT idUsuario, Status, HabKVT, Senha, Nome AS NomeOperador FROM tUsuario WHERE Login= :LoginOperador");

std::string tTeleCmd::MD5Texto(std::string_view texto) { return crypto::md5(text::trim(texto)); }

void tTeleCmd::EfetuaLogin(const xml::Element& raiz, const std::string& ip, int porta) {
  std::string login;
  std::string senha;
  std::int32_t ultimoTeleEvento = 0;

  for (xml::Element e = raiz.firstChildElement(); e; e = e.nextSiblingElement()) {
    const std::string nome = e.upperName();
    if (nome == "LOGINOPERADOR") {
      if (!e.hasTextChild()) {
        RetornaErroXML("Tag <LoginOperador> não possui um valor esperado, não é possível realizar o Login no KVT"_cp,
                       "", "", 0, -1);
        return;
      }
      login = text::upperAscii(e.value());
    } else if (nome == "SENHA") {
      if (!e.hasTextChild()) {
        RetornaErroXML("Tag <Senha> não possui um valor esperado, não é possível realizar o Login no KVT"_cp, "", "",
                       0, -1);
        return;
      }
      senha = text::upperAscii(e.value());
    } else if (nome == "ULTIMOTELEEVENTOPROCESSADO") {
      const auto valor = e.hasTextChild() ? text::tryParseInt(e.value()) : std::nullopt;
      if (!valor) {
        RetornaErroXML(
            "Tag <UltimoTeleEventoProcessado> não possui um valor esperado, não é possível realizar o Login no KVT"_cp,
            "", "", 0, -1);
        return;
      }
      ultimoTeleEvento = *valor;
    }
  }

  if (login.empty() || senha.empty()) {
    RetornaErroXML(
        "Telecomando incompleto provavelmente as tags estão em branco, não é possível realizar o Login no KVT"_cp, "",
        "", 0, -1);
    return;
  }

  // The stored digest is that of the upper-case password.
  const std::string digest = MD5Texto(senha);

  std::string operador;
  std::int32_t idUsuario = 0;
  StsLogin sts = StsLogin::Logado;
  qrLogin_->bindText("LoginOperador", login);
  qrLogin_->open();
  if (qrLogin_->eof()) {
    sts = StsLogin::UsuarioInexistente;
  } else {
    idUsuario = qrLogin_->field(std::size_t{0}).asInt();
    operador = qrLogin_->field(std::size_t{4}).asString();
    if (qrLogin_->field(std::size_t{3}).asString() != digest) sts = StsLogin::SenhaNaoConfere;
    else if (qrLogin_->field(std::size_t{2}).asInt() != 1) sts = StsLogin::NaoHabilitadoKVT;
    else if (qrLogin_->field(std::size_t{1}).asInt() != 1) sts = StsLogin::UsuarioInativo;
  }
  qrLogin_->close();

  if (sts == StsLogin::Logado) {
    if (canal_.LocalizaCliente(ip, porta).encontrado) {
      canal_.RegistraLogin(ip, porta, idUsuario, operador);
      estado_.IdUsuarioLogado = idUsuario;
    } else {
      sts = StsLogin::ClienteNaoEncontrado;
    }
  }

  // A single reconnecting client gets the events it missed; the pointer never
  // moves forward and never moves while other clients are connected.
  if (sts == StsLogin::Logado && canal_.NumClientes() == 1 && ultimoTeleEvento > 0 &&
      ultimoTeleEvento < estado_.UltimoNumSeqProcessado)
    estado_.UltimoNumSeqProcessado = ultimoTeleEvento;

  const std::string status = std::to_string(static_cast<std::int32_t>(sts));
  const std::string corpo = " <DataHoraEm> " + DataHoraAtual() + " </DataHoraEm> " + " <CodMsg> " + "-58" +
                            " </CodMsg> " + " <NomeOperador> " + EscapaTextoXML(operador) + " </NomeOperador> " +
                            " <StsLogin> " + status + " </StsLogin>";

  MostraNaLista("Recebido TeleComando de login de IP:" + ip + " Operador[" + operador + "] Status Login[" + status +
                "]");
  if (sts == StsLogin::Logado) EnviaResposta(corpo);
}

}  // namespace kvt::telecmd
