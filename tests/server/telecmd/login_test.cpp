#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/crypto/md5.h"
#include "platform/text/ascii_case.h"
#include "platform/text/cp1252.h"
#include "server/telecmd/tele_cmd.h"
#include "tests/server/telecmd/ambiente_telecmd.h"

using namespace kvt;
using namespace kvt::text::literals;
using kvt::test::AmbienteTeleCmd;
using kvt::test::documento;

namespace {

struct Usuario {
  int id;
  std::string login;
  std::string nome;
  std::string senha;  // clear text; the central keeps the digest of its upper case
  int status = 1;
  int habKvt = 1;
};

struct LoginFixture : ::testing::Test {
  AmbienteTeleCmd amb{"-27"};

  void SetUp() override {
    cadastra({7, "MARIA", "Maria Souza", "segredo"});
    cadastra({8, "JOAO", "João & Filhos"_cp, "abc"});
    cadastra({9, "PEDRO", "Pedro", "abc", 1, 0});
    cadastra({10, "ANA", "Ana", "abc", 0, 1});
  }

  void cadastra(const Usuario& u) {
    db::Statement st(*amb.dbZenthora,
                     std::string("INSERT INTO tUsuario (idUsuario, Login, Nome, Senha, Status, HabKVT) "
                                 "VALUES (:id, :login, :nome, :senha, :status, :hab)"));
    st.bindInt("id", u.id)
        .bindText("login", u.login)
        .bindText("nome", u.nome)
        .bindBinary("senha", crypto::md5(text::upperAscii(u.senha)))
        .bindInt("status", u.status)
        .bindInt("hab", u.habKvt);
    st.execute();
  }

  static std::string login(const std::string& nome, const std::string& senha, const std::string& resto = "") {
    return "<telecomando><codmsg>-27</codmsg><loginoperador>" + nome + "</loginoperador><senha>" + senha +
           "</senha>" + resto + "</telecomando>";
  }

  static std::string resposta(const std::string& operador) {
    return documento(" <DataHoraEm> 02/01/2024 03:04:05 </DataHoraEm>  <CodMsg> -58 </CodMsg>  <NomeOperador> " +
                     operador + " </NomeOperador>  <StsLogin> 0 </StsLogin>");
  }

  static std::string erro(const std::string& msg) {
    return documento(" <DataHoraEm> 02/01/2024 03:04:05 </DataHoraEm> <CodMsg> -40</CodMsg>  <MsgErro> " + msg +
                     " </MsgErro>");
  }

  std::string linha(int cliente, const std::string& operador, const std::string& sts) {
    return "Recebido TeleComando de login de IP:" + amb.canal.ip(cliente) + " Operador[" + operador +
           "] Status Login[" + sts + "]";
  }
};

}  // namespace

TEST_F(LoginFixture, PasswordsLogInWhateverTheirCaseAndSurroundingBlanks) {
  const std::string senhas[] = {"segredo", "SEGREDO", "SeGrEdO", "  segredo  ", "\tsegredo "};
  for (const std::string& senha : senhas) {
    AmbienteTeleCmd& a = amb;
    const int c = a.canal.conecta("Nao");
    a.status.lberro.clear();
    a.envia(c, login("maria", senha));
    EXPECT_EQ(a.canal.recebido(c), resposta("Maria Souza")) << senha;
    const auto r = a.canal.registro(c);
    EXPECT_EQ(r.Comunica, "Sim") << senha;
    EXPECT_EQ(r.IdUsuario, 7);
    EXPECT_EQ(r.Operador, "Maria Souza");
    EXPECT_EQ(a.estado.IdUsuarioLogado, 7);
    ASSERT_EQ(a.status.lberro.size(), 1u);
    EXPECT_EQ(a.status.lberro.at(0), linha(c, "Maria Souza", "0"));
    a.canal.desconecta(c);
    a.estado.IdUsuarioLogado = -1;
  }
  EXPECT_EQ(amb.teleCmd->UltimaResposta(),
            " <DataHoraEm> 02/01/2024 03:04:05 </DataHoraEm>  <CodMsg> -58 </CodMsg>  <NomeOperador> Maria Souza "
            "</NomeOperador>  <StsLogin> 0 </StsLogin>");
}

TEST_F(LoginFixture, OperatorNameGoesOutAsStoredWithMarkupMadeSafe) {
  const int c = amb.canal.conecta("Nao");
  amb.envia(c, login("JoAo", "ABC"));
  EXPECT_EQ(amb.canal.recebido(c), resposta("João &amp; Filhos"_cp));
  EXPECT_EQ(amb.canal.registro(c).Operador, "João & Filhos"_cp);
}

TEST_F(LoginFixture, EveryFailureStatusSendsNoDocumentAndIsListed) {
  struct Caso {
    const char* nome;
    std::string xml;
    std::string operador;
    const char* sts;
  };
  const Caso casos[] = {
      {"unknown user", login("zeca", "abc"), "", "1"},
      {"wrong password", login("maria", "segredo2"), "Maria Souza", "2"},
      {"not enabled for this server", login("pedro", "abc"), "Pedro", "3"},
      {"not active", login("ana", "abc"), "Ana", "4"},
  };
  const int c = amb.canal.conecta("Nao");
  const int outro = amb.canal.conecta("Sim");
  for (const Caso& k : casos) {
    amb.status.lberro.clear();
    amb.envia(c, k.xml);
    EXPECT_EQ(amb.canal.recebidos(), (std::vector<std::string>{"", ""})) << k.nome;
    ASSERT_EQ(amb.status.lberro.size(), 1u) << k.nome;
    EXPECT_EQ(amb.status.lberro.at(0), linha(c, k.operador, k.sts)) << k.nome;
    EXPECT_EQ(amb.canal.registro(c).Comunica, "Nao") << k.nome;
  }
  EXPECT_EQ(amb.canal.registrosDeLogin(), 0);
  EXPECT_EQ(amb.estado.IdUsuarioLogado, -1);
  EXPECT_TRUE(amb.canal.enfileirados().empty());

  // valid credentials from an address and port without a client record: -1
  amb.status.lberro.clear();
  amb.teleCmd->ExecutaTeleCmd(login("maria", "segredo"), amb.canal.ip(c), 1);
  EXPECT_EQ(amb.canal.recebidos(), (std::vector<std::string>{"", ""}));
  ASSERT_EQ(amb.status.lberro.size(), 1u);
  EXPECT_EQ(amb.status.lberro.at(0), linha(c, "Maria Souza", "-1"));
  EXPECT_EQ(amb.estado.IdUsuarioLogado, -1);
  (void)outro;
}

TEST_F(LoginFixture, ElementErrorsAreAnsweredInDocumentOrder) {
  const std::string semValor = " nao possui um valor esperado, nao e possivel realizar o Login no KVT";
  const std::string incompleto =
      "Telecomando incompleto provavelmente as tags estao em branco, nao e possivel realizar o Login no KVT";
  struct Caso {
    std::string xml;
    std::string msg;
  };
  const Caso casos[] = {
      {login("", "abc"), "Tag [LoginOperador]" + semValor},
      {"<telecomando><codmsg>-27</codmsg><loginoperador/><senha>abc</senha></telecomando>",
       "Tag [LoginOperador]" + semValor},
      {login("maria", ""), "Tag [Senha]" + semValor},
      // the first bad element ends the log-in: the later empty LoginOperador is never read
      {"<telecomando><codmsg>-27</codmsg><senha></senha><loginoperador></loginoperador></telecomando>",
       "Tag [Senha]" + semValor},
      {login("maria", "segredo", "<ultimoteleeventoprocessado>12a</ultimoteleeventoprocessado>"),
       "Tag [UltimoTeleEventoProcessado]" + semValor},
      {login("maria", "segredo", "<ultimoteleeventoprocessado></ultimoteleeventoprocessado>"),
       "Tag [UltimoTeleEventoProcessado]" + semValor},
      {"<telecomando><codmsg>-27</codmsg><senha>abc</senha></telecomando>", incompleto},
      {"<telecomando><codmsg>-27</codmsg><loginoperador>maria</loginoperador></telecomando>", incompleto},
  };
  const int c = amb.canal.conecta("Nao");
  for (const Caso& k : casos) {
    amb.status.lberro.clear();
    amb.envia(c, k.xml);
    EXPECT_EQ(amb.canal.recebido(c), erro(k.msg)) << k.xml;
    EXPECT_EQ(amb.status.lberro.size(), 0u) << k.xml;  // no log-in attempt
    EXPECT_EQ(amb.canal.registro(c).Comunica, "Nao");
  }
}

TEST_F(LoginFixture, EventPointerRewindsOnlyForALoneClientAndOnlyBackwards) {
  struct Caso {
    const char* nome;
    int clientes;
    std::string ultimo;  // the element, or empty for none
    const char* senha;
    std::int32_t esperado;
  };
  const Caso casos[] = {
      {"back for the only client", 1, "50", "segredo", 50},
      {"equal stays", 1, "100", "segredo", 100},
      {"forward never", 1, "150", "segredo", 100},
      {"zero stays", 1, "0", "segredo", 100},
      {"negative stays", 1, "-5", "segredo", 100},
      {"absent stays", 1, "", "segredo", 100},
      {"another client connected", 2, "50", "segredo", 100},
      {"failed log-in", 1, "50", "errada", 100},
  };
  for (const Caso& k : casos) {
    AmbienteTeleCmd a("-27");
    db::Statement st(*a.dbZenthora, std::string("INSERT INTO tUsuario (idUsuario, Login, Nome, Senha) VALUES "
                                                "(7, 'MARIA', 'Maria', :senha)"));
    st.bindBinary("senha", crypto::md5("SEGREDO"));
    st.execute();
    a.estado.UltimoNumSeqProcessado = 100;
    const int c = a.canal.conecta("Nao");
    for (int i = 1; i < k.clientes; ++i) a.canal.conecta("Sim");
    const std::string resto =
        k.ultimo.empty() ? "" : "<ultimoteleeventoprocessado> " + k.ultimo + " </ultimoteleeventoprocessado>";
    a.envia(c, login("maria", k.senha, resto));
    EXPECT_EQ(a.estado.UltimoNumSeqProcessado, k.esperado) << k.nome;
  }
}

TEST_F(LoginFixture, DigestWithAZeroByteSurvivesTheDatabase) {
  // find a password whose digest holds a zero byte (about one in sixteen does)
  std::string senha;
  for (int i = 0; senha.empty(); ++i) {
    const std::string candidata = "ZERO" + std::to_string(i);
    if (crypto::md5(candidata).find('\0') != std::string::npos) senha = candidata;
  }
  cadastra({20, "NULO", "Nulo", senha});
  const std::string digest = telecmd::tTeleCmd::MD5Texto(" " + senha + " ");
  ASSERT_EQ(digest.size(), 16u);
  EXPECT_EQ(digest, crypto::md5(senha));

  const int c = amb.canal.conecta("Nao");
  amb.envia(c, login("nulo", senha));
  // a digest cut at its zero byte anywhere on the way would fail the comparison
  EXPECT_EQ(amb.canal.recebido(c), resposta("Nulo"));
}

TEST_F(LoginFixture, ASecondLogInOnTheSameConnectionOverwritesTheUser) {
  const int c = amb.canal.conecta("Nao");
  amb.envia(c, login("maria", "segredo"));
  amb.envia(c, login("joao", "abc"));
  EXPECT_EQ(amb.canal.registro(c).IdUsuario, 8);
  EXPECT_EQ(amb.estado.IdUsuarioLogado, 8);
  EXPECT_EQ(amb.canal.recebido(c), resposta("Maria Souza") + resposta("João &amp; Filhos"_cp));
}
