// Win32_LogicalDisk: the file systems on devices of this machine and the
// network shares it mounts, from /proc/mounts and statvfs. A mount point
// stands for the drive letter.

#include <sys/statvfs.h>

#include <set>

#include "platform/sysinfo/classes.h"

namespace kvt::sysinfo {

namespace {

// "\040" and the other octal escapes of the mounts text.
std::string unescape(std::string_view field) {
  const auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) && isOctal(field[i + 2]) &&
        isOctal(field[i + 3])) {
      out += static_cast<char>(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
      i += 3;
      continue;
    }
    out += field[i];
  }
  return out;
}

bool isNetworkType(const std::string& type) {
  static const std::set<std::string> kinds = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "fuse.sshfs", "9p", "afs"};
  return kinds.count(type) > 0;
}

}  // namespace

std::vector<Mount> parseMounts(std::string_view text) {
  std::vector<Mount> out;
  for (const std::string_view line : splitLines(text)) {
    std::vector<std::string_view> f;
    std::size_t p = 0;
    while (p < line.size() && f.size() < 3) {
      while (p < line.size() && (line[p] == ' ' || line[p] == '\t')) ++p;
      std::size_t q = p;
      while (q < line.size() && line[q] != ' ' && line[q] != '\t') ++q;
      if (q > p) f.push_back(line.substr(p, q - p));
      p = q;
    }
    if (f.size() < 3) continue;
    out.push_back({unescape(f[0]), unescape(f[1]), unescape(f[2])});
  }
  return out;
}

std::vector<Object> logicalDisks(const Sources& s) {
  const auto text = readText(s.path("proc/mounts"));
  if (!text) throw QueryError("cannot read proc/mounts");
  std::vector<Object> out;
  std::set<std::string> devices;
  for (const Mount& m : parseMounts(*text)) {
    const bool network = isNetworkType(m.type);
    const bool local = m.device.rfind("/dev/", 0) == 0 || m.mountPoint == "/";
    if (!network && !local) continue;
    if (!devices.insert(m.device).second) continue;  // the same device mounted again
    struct statvfs v {};
    if (::statvfs(m.mountPoint.c_str(), &v) != 0) continue;
    const std::uint64_t size = static_cast<std::uint64_t>(v.f_blocks) * v.f_frsize;
    const std::uint64_t free = static_cast<std::uint64_t>(v.f_bavail) * v.f_frsize;
    out.push_back(Object{{"Caption", m.mountPoint},
                         {"Description", network ? "Unidade de rede" : "Disco fixo local"},
                         {"DeviceID", m.mountPoint},
                         {"DriveType", network ? "4" : "3"},
                         {"FileSystem", m.type},
                         {"FreeSpace", std::to_string(free)},
                         {"ProviderName", network ? m.device : ""},
                         {"Size", std::to_string(size)},
                         {"VolumeName", ""}});
  }
  return out;
}

}  // namespace kvt::sysinfo
