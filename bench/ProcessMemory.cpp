#include "bench/ProcessMemory.h"

#include <fstream>
#include <sstream>

namespace bench {

long residentKiB(const std::string& process)
{
    std::ifstream status("/proc/" + process + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
    }
    return 0;
}

long jackSharedKiB(const std::string& process)
{
    std::ifstream maps("/proc/" + process + "/smaps");
    std::string line;
    bool jack = false;
    long kib = 0;
    while (std::getline(maps, line)) {
        std::istringstream fields(line);
        std::string first;
        fields >> first;
        if (first == "Rss:") {
            long value = 0;
            fields >> value;
            kib += jack ? value : 0;
        } else if (first.find('-') != std::string::npos && first.back() != ':') {
            // A mapping's first line: range, permissions, offset, device, inode, path.
            std::string skip;
            std::string path;
            fields >> skip >> skip >> skip >> skip >> path;
            jack = path.starts_with("/dev/shm/jack");
        }
    }
    return kib;
}

}  // namespace bench
