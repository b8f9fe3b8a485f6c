#include "server/link/command_queue.h"

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

void FilaComandos::InsereComandoBanco(const std::string& documento, const std::string& ip, std::int32_t porta) {
  db::Statement st(db_, sqlInsereComandoBanco(estado_.NumModCom));
  st.bindMemo("XML", documento).bindText("IP", ip).bindInt("Porta", porta);
  st.execute();
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
  db::Statement st(db_, sqlRetiraComandoBanco(estado_.NumModCom));
  st.open();
  for (; !st.eof(); st.next()) {
    Comando c;
    c.NroSeq = st.field("NroSeq").asInt();
    c.XML = st.field("XML").asString();
    c.IP = st.field("IP").asString();
    c.Porta = st.field("Porta").asInt();
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
      return c;
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
