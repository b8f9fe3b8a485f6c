#pragma once

// Reading and writing the event and command tables of an embedded central in
// the event-pass tests.

#include <string>
#include <vector>

#include "platform/db/db.h"
#include "server/events/post_format.h"

namespace kvt::test {

inline void postaEvento(db::Connection& dbBase, const char* tabela, const std::string& post) {
  db::Statement st(dbBase, std::string("insert into ") + tabela + " (Post) values (:Post)");
  st.bindMemo("Post", post).execute();
}

// The first column of the first row.
inline int contaLinhas(db::Connection& c, const std::string& sql) {
  db::Statement st(c, sql);
  st.open();
  return st.field(std::size_t{0}).asInt();
}

// The event code (field 5) of every command Post, in the order written.
inline std::vector<std::string> codigosComandoPost(db::Connection& dbZenthora) {
  db::Statement st(dbZenthora, std::string("select Post from tCmdPost order by NumSeq"));
  st.open();
  std::vector<std::string> codigos;
  for (; !st.eof(); st.next()) codigos.emplace_back(events::ObtemCampoPost(st.field("Post").asString(), "5").valor);
  return codigos;
}

}  // namespace kvt::test
