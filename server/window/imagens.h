#pragma once

// The pictures of the status window, the tray icon and the splash window. All
// of them are drawn here, so the program carries no picture files.

#include <QColor>
#include <QIcon>
#include <QPixmap>

#include "server/runtime/status_model.h"

namespace kvt::window {

// The state colours of the status boxes and labels.
QColor CorDe(runtime::StatusModel::Cor cor);

// Status images of the server itself and of the integration mode.
QPixmap img_KVT_OK();
QPixmap img_KVT_Alerta();
QPixmap img_Ystrava_OK();
QPixmap img_Ystrava_Alerta();
// The image the tray shows for an icon state (null for Nenhum).
QPixmap ImagemBandeja(runtime::StatusModel::IconeBandeja icone);

// The picture buttons of the window: each has a normal, a highlighted and a
// pressed picture.
enum class TipoBotao { Esconder, Fechar };
enum class EstadoBotao { Normal, Realcado, Pressionado };
QPixmap ImagemBotao(TipoBotao tipo, EstadoBotao estado);

// The emblem of the window banner and the about box.
QPixmap ImagemEmblema(int lado);
// The picture of the splash window.
QPixmap ImagemSplash();

}  // namespace kvt::window
