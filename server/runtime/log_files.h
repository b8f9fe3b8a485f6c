#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "platform/file/append_file.h"
#include "server/runtime/history_list.h"

namespace kvt::runtime {

// The settings of the rotating log files, as read from KORVATEL.INI.
struct LogSettings {
  std::int32_t Num_Arquivos_Log = 5;
  std::int32_t Tam_Max_Arq_Log = 10000000;
  std::int32_t Arq_Log_Corrente = 1;
};

class LogIoError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The rotating log files KORVATEL00.log ... KORVATEL<n>.log. Each entry goes
// to the system in one write before the call returns, so a crash of the
// program loses no entry; the file stays open between entries while its name
// still leads to it (a file deleted or replaced meanwhile is opened again). The index of
// the file in use is written back to KORVATEL.INI at every rotation, so a
// restart continues in the same file.
class LogFiles {
 public:
  LogFiles(LogSettings& settings, std::string iniPath, HistoryList& history, std::string folder = ".");

  // Current log file name; deletes that file first when it is still over the
  // size limit from the previous cycle.
  std::string NomeArquivoLog();

  // Writes one entry: "[ERRO][" or "[INFO][", date and time, "][", routine,
  // "] ", message, then two CR LF. Decides the rotation after the write.
  void GravaLog(const std::string& fileName, std::string_view routineName, std::string_view message, bool isError,
                bool showOnScreen);

  // NomeArquivoLog followed by GravaLog, the calling rule of every log call;
  // the file is looked at once for both.
  void log(std::string_view routineName, std::string_view message, bool isError = false, bool showOnScreen = false);

  const std::string& folder() const { return folder_; }

 private:
  std::string pathOf(const std::string& fileName) const;
  // The path of the current file of the cycle, built again only when the index changes.
  const std::string& caminhoCorrente();
  // GravaLog on a path whose file was just looked at: `existente` is its
  // status, null when there is none.
  void escreveEntrada(const std::string& path, const struct stat* existente, std::string_view routineName,
                      std::string_view message, bool isError, bool showOnScreen);

  LogSettings& settings_;
  std::string iniPath_;
  HistoryList& history_;
  std::string folder_;
  file::AppendFile arquivo_;  // the file of the latest entry, open while its name leads to it
  std::string caminhoCorrente_;
  std::int32_t indiceCaminho_ = -1;
};

// Size of a file in bytes rounded down to a multiple of 128; 0 when it does not exist.
std::int64_t roundedFileSize(const std::string& path);

}  // namespace kvt::runtime
