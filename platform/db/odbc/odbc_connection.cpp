#include "platform/db/backend.h"

namespace kvt::db::detail {

std::unique_ptr<Connection> openOdbc(const std::string&, const std::string&, Dialect, const std::vector<Attachment>&) {
  throw lostError("ODBC ainda não disponível.");
}

}  // namespace kvt::db::detail
