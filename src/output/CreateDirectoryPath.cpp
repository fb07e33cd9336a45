#include "output/CreateDirectoryPath.h"

#include <sys/stat.h>

namespace qr::output {

bool CreateDirectoryPath(const std::string& path) {
    for (std::size_t pos = path.find('/', 1); pos != std::string::npos;
         pos = path.find('/', pos + 1))
        ::mkdir(path.substr(0, pos).c_str(), 0777);
    if (!path.empty())
        ::mkdir(path.c_str(), 0777);
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace qr::output
