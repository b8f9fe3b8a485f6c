#include "server/common/mensagem_pre.h"

namespace kvt::common {

std::int32_t IdMensagemPre(std::int32_t idMsg, std::int32_t idMsgSub) {
  const std::int64_t id = static_cast<std::int64_t>(idMsg) * 8 + (idMsgSub >= 1 ? idMsgSub - 1 : 0);
  return static_cast<std::int32_t>(id);
}

ChaveMensagemPre LinhaDaMensagemPre(std::int32_t id, bool grupoTemPrimeiraMensagem) {
  const std::int32_t resto = id % 8;
  return {id / 8, resto != 0 ? resto + 1 : (grupoTemPrimeiraMensagem ? 1 : 0)};
}

void tCatalogoMensagensPre::Carrega(const std::vector<LinhaMensagemPre>& linhas) {
  linhas_.clear();
  quantidade_.clear();
  for (const LinhaMensagemPre& linha : linhas) {
    // the first row of a key is the one found, as a query's first match would be
    if (linhas_.emplace(std::make_pair(linha.idMsg, linha.idMsgSub), linha).second) ++quantidade_[linha.idMsg];
  }
  carregado_ = true;
}

const LinhaMensagemPre* tCatalogoMensagensPre::Linha(std::int32_t idMsg, std::int32_t idMsgSub) const {
  const auto achou = linhas_.find({idMsg, idMsgSub});
  return achou == linhas_.end() ? nullptr : &achou->second;
}

std::int32_t tCatalogoMensagensPre::Quantidade(std::int32_t idMsg) const {
  const auto q = quantidade_.find(idMsg);
  return q == quantidade_.end() ? 0 : q->second;
}

const LinhaMensagemPre* tCatalogoMensagensPre::Procura(std::int32_t id) const {
  if (id < 0) return nullptr;
  const std::int32_t grupo = id / 8;
  // A group of several rows starts with its message 1. A group whose only row
  // is message 1 (no heading) is listed under the same id, so it is found
  // there too rather than looked for as a heading it does not have.
  const bool temPrimeiraMensagem = Quantidade(grupo) > 1 || Linha(grupo, 1) != nullptr;
  const ChaveMensagemPre chave = LinhaDaMensagemPre(id, temPrimeiraMensagem);
  return Linha(chave.idMsg, chave.idMsgSub);
}

std::string tCatalogoMensagensPre::TextoComCabecalho(const LinhaMensagemPre& linha) const {
  if (linha.idMsgSub > 0)
    if (const LinhaMensagemPre* cabecalho = Linha(linha.idMsg, 0)) return cabecalho->Mensagem + linha.Mensagem;
  return linha.Mensagem;
}

}  // namespace kvt::common
