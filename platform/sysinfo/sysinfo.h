#pragma once

// Facts of this machine answered as the management queries of the diagnostic
// report ask for them: "select <properties|*> from <class> [where <property>
// <operator> <value>]" in the namespace root\cimv2. Each object is a list of
// properties in the class's order (alphabetical, as the management service
// gives them), named as the service names them:
//
//   Win32_PerfFormattedData_PerfProc_Process  IDProcess, Name, PercentProcessorTime, WorkingSet
//   CIM_PhysicalMemory, Win32_PhysicalMemory  BankLabel, Capacity, DeviceLocator, MemoryType,
//                                             PositionInRow, Tag
//   Win32_LogicalDisk                         Caption, Description, DeviceID, DriveType, FileSystem,
//                                             FreeSpace, ProviderName, Size, VolumeName
//   CIM_Processor, Win32_Processor            DeviceID, Manufacturer, Name, NumberOfCores,
//                                             NumberOfLogicalProcessors
//   CIM_OperatingSystem, Win32_OperatingSystem Caption, CSDVersion, CSName, FreePhysicalMemory,
//                                             OSArchitecture, TotalVisibleMemorySize, Version
//
// Sizes are bytes (FreePhysicalMemory and TotalVisibleMemorySize kilobytes),
// numbers decimal texts, texts Windows-1252 without control characters. The facts come from /proc, /etc/os-release, statvfs
// and uname; only this machine can be asked.

#include <stdexcept>
#include <string>
#include <vector>

namespace kvt::sysinfo {

struct Property {
  std::string name;
  std::string value;
  friend bool operator==(const Property&, const Property&) = default;
};
using Object = std::vector<Property>;

// The query could not be answered: another machine, an unknown namespace or
// class, a malformed query, or facts that could not be read.
class QueryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the facts are read: "/" on a live system; tests point it at a folder
// that holds proc/ and etc/ texts of their own.
struct Sources {
  std::string root = "/";
  std::string path(const std::string& relative) const;
};

// This computer's name (the host name).
std::string computerName();
// True for this computer's name or its first 15 characters (the network
// name; ASCII case ignored), "", ".", "localhost" and the loopback addresses.
bool isThisMachine(const std::string& machine);

// Runs the query on the machine's namespace. Throws QueryError.
std::vector<Object> query(const std::string& machine, const std::string& wmiNamespace, const std::string& wql,
                          const Sources& sources = {});

}  // namespace kvt::sysinfo
