#include "model/FileTypeTable.h"

#include <array>
#include <initializer_list>

namespace qr::model {

namespace {

struct TypeRow {
    std::initializer_list<std::string_view> endings;
    const char* live;
    const char* deleted;
    int image;
};

// Tested in order; endings match case-sensitively, as listed.
const std::array<TypeRow, 15> kTypes{{
    {{".DOC", ".doc"}, "Microsoft Word File", "Deleted Word File", 4},
    {{".PPT", ".ppt"}, "Microsoft Power Point File", "Deleted Power Point File", 5},
    {{".XLS", ".xls"}, "Microsoft Excel File", "Deleted Excel File", 3},
    {{".PDF", ".pdf"}, "PDF file", "Deleted PDF file", 15},
    {{".EXE", ".exe"}, "Executable file", "Deleted Executable file", 7},
    {{".TTF", ".ttf", ".FON", ".fon"}, "Font file", "Deleted Font file", 8},
    {{".ZIP", ".zip", ".RAR", ".rar"}, "Winzip File", "Deleted Winzip File", 2},
    {{".htm", "HTML", "html"}, "Internet file", "Deleted Internet file", 12},
    {{".chm", ".CHM"}, "Help File", "Deleted Help File", 13},
    {{".REG", ".reg"}, "Registry file", "Deleted Registry file", 16},
    {{".WAV", ".wav", ".AU", ".au"}, "Sound file", "Deleted Sound file", 17},
    {{".AVI", ".avi"}, "Video File", "Deleted Video File", 18},
    {{".CPP", ".cpp"}, "C++ file", "Deleted C++ file", 9},
    {{".H", ".h"}, "Header file", "Deleted Header file", 11},
    {{".TXT", ".txt", ".LOG", ".log"}, "Text file", "Deleted Text file", 20},
}};
constexpr int kOtherImage = 19;

} // namespace

FileType ClassifyFile(std::string_view name, bool deleted) {
    for (const TypeRow& row : kTypes)
        for (std::string_view ending : row.endings)
            if (name.ends_with(ending))
                return {deleted ? row.deleted : row.live, row.image};
    return {deleted ? "Deleted File" : "File", kOtherImage};
}

} // namespace qr::model
