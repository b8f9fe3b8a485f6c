#include "server/runtime/log_files.h"

#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/clock/clock.h"
#include "platform/ini/ini_file.h"
#include "platform/text/date_time.h"

namespace kvt::runtime {

std::int64_t roundedFileSize(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return 0;
  return static_cast<std::int64_t>(st.st_size) / 128 * 128;
}

LogFiles::LogFiles(LogSettings& settings, std::string iniPath, HistoryList& history, std::string folder)
    : settings_(settings), iniPath_(std::move(iniPath)), history_(history), folder_(std::move(folder)) {}

std::string LogFiles::pathOf(const std::string& fileName) const {
  if (folder_.empty() || folder_ == "." || (!fileName.empty() && fileName.front() == '/')) return fileName;
  return folder_ + "/" + fileName;
}

std::string LogFiles::NomeArquivoLog() {
  char name[32];
  std::snprintf(name, sizeof name, "KORVATEL%.2d.log", settings_.Arq_Log_Corrente);
  const std::string path = pathOf(name);
  if (roundedFileSize(path) > settings_.Tam_Max_Arq_Log) ::unlink(path.c_str());  // a failed deletion is ignored
  return name;
}

const std::string& LogFiles::caminhoCorrente() {
  if (indiceCaminho_ != settings_.Arq_Log_Corrente || caminhoCorrente_.empty()) {
    char name[32];
    std::snprintf(name, sizeof name, "KORVATEL%.2d.log", settings_.Arq_Log_Corrente);
    caminhoCorrente_ = pathOf(name);
    indiceCaminho_ = settings_.Arq_Log_Corrente;
  }
  return caminhoCorrente_;
}

void LogFiles::log(std::string_view routineName, std::string_view message, bool isError, bool showOnScreen) {
  // What NomeArquivoLog and then GravaLog do, with one stat of the file for
  // the deletion of a full one and for following the name.
  const std::string& path = caminhoCorrente();
  struct stat st;
  bool existe = ::stat(path.c_str(), &st) == 0;
  if (existe && static_cast<std::int64_t>(st.st_size) / 128 * 128 > settings_.Tam_Max_Arq_Log) {
    ::unlink(path.c_str());  // a failed deletion is ignored
    existe = ::stat(path.c_str(), &st) == 0;
  }
  escreveEntrada(path, existe ? &st : nullptr, routineName, message, isError, showOnScreen);
}

void LogFiles::GravaLog(const std::string& fileName, std::string_view routineName, std::string_view message,
                        bool isError, bool showOnScreen) {
  const std::string path = pathOf(fileName);
  struct stat st;
  const bool existe = ::stat(path.c_str(), &st) == 0;
  escreveEntrada(path, existe ? &st : nullptr, routineName, message, isError, showOnScreen);
}

void LogFiles::escreveEntrada(const std::string& path, const struct stat* existente, std::string_view routineName,
                              std::string_view message, bool isError, bool showOnScreen) {
  const std::string when = text::dateTimeToStr(clk::now());
  std::string entry = isError ? "[ERRO][" : "[INFO][";
  entry += when;
  entry += "][";
  entry += routineName;
  entry += "] ";
  entry += message;
  entry += "\r\n\r\n";

  if (!arquivo_.follow(path, existente)) throw LogIoError("I/O error: cannot create log file " + path);
  if (!arquivo_.append(entry)) throw LogIoError("I/O error: cannot write log file " + path);

  if (showOnScreen) history_.insertTop("[" + when + "] " + std::string(message));

  if (arquivo_.size() / 128 * 128 > settings_.Tam_Max_Arq_Log) {
    arquivo_.close();
    const std::int32_t cycle = settings_.Num_Arquivos_Log + 1;
    settings_.Arq_Log_Corrente = cycle > 0 ? (settings_.Arq_Log_Corrente + 1) % cycle : 0;
    ini::IniFile ini(iniPath_);
    ini.writeInteger("KORVATEL", "Arq_Log_Corrente", settings_.Arq_Log_Corrente);
  }
}

}  // namespace kvt::runtime
