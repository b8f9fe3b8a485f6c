#pragma once

// Text routines shared by every reply builder: the TeleEvento envelope, the
// character clean-up of texts written into replies, and the hexadecimal
// readings of codes and terminal ids.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kvt::telecmd {

// "<?xml version=\"1.0\" ?> " + " <TeleEvento> " + body + " </TeleEvento>".
std::string EnvelopaTeleEvento(std::string_view corpo);

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

// Reads the text (upper-cased) as hexadecimal digits from the last character to
// the first, the last one being the lowest digit: "1"-"9" and "A"-"F" count
// their value, every other character ("0" and "-" included) counts 0. The
// arithmetic is 32-bit and wraps, so characters before the last eight add
// nothing. HexParaInt negates the result when the first character is "-";
// HexParaNum has no sign rule and gives the 32-bit pattern. An empty text
// cannot be converted: nullopt, and each caller decides what it stands for.
std::optional<std::int32_t> HexParaInt(std::string_view texto);
std::optional<std::uint32_t> HexParaNum(std::string_view texto);

// The current local date and time in the regional short date and long time
// formats, as every reply body and activity-list line carries it.
std::string DataHoraAtual();

}  // namespace kvt::telecmd
