#pragma once

// Text routines shared by every reply builder: the TeleEvento envelope, the
// character clean-up of texts written into replies, and the hexadecimal
// readings of codes and terminal ids.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text/hex_text.h"
#include "server/link/outbound_buffer.h"

namespace kvt::telecmd {

// "<?xml version=\"1.0\" ?> " + " <TeleEvento> " + body + " </TeleEvento>", the
// same wrapping the outbound buffer gives every reply.
using link::EnvelopaTeleEvento;

// Replaces characters one for one (the length never changes): "&" becomes "e",
// "<" and ">" become "[" and "]", accented vowels, "Ç", "ç", "Ñ", "ñ" lose their
// accent, and "¹²³£¢¬§ªº°~^´`¨" and the apostrophe become blanks. Texts are
// Windows-1252 bytes.
std::string LimpaTextoXML(std::string_view texto);
// The same without the "<" and ">" rows, so it can run over a whole reply body.
std::string LimpaAcentos(std::string_view texto);

// Our own guard for texts a client wrote that go back inside a reply element:
// "&", "<" and ">" become entities, every other byte stays, so a reader of the
// reply gets back exactly what the client wrote and markup can never be
// injected into a document that every connection receives.
std::string EscapaTextoXML(std::string_view texto);

// Hexadecimal texts of the protocol (an empty text gives nullopt, and each
// caller decides what it stands for).
using text::HexParaInt;
using text::HexParaNum;

// The current local date and time in the regional short date and long time
// formats, as every reply body and activity-list line carries it.
std::string DataHoraAtual();

}  // namespace kvt::telecmd
