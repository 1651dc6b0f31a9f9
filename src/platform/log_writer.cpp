#include "platform/log_writer.h"

#include <cstdio>

#include "platform/strings.h"
#include "platform/text_encoding.h"

namespace velorin {

void CLogWriter::Configure(std::string folder, int mode) {
    std::lock_guard lock(mutex_);
    // Folder paths are limited to 1023 characters.
    folder_ = CutToCharacters(folder, 1023);
    mode_ = mode;
}

std::string CLogWriter::FileName(const LocalTime& t) const {
    const char* f = folder_.c_str();
    switch (mode_) {
        case 1:
            return Format("%s%.4d.txt", f, t.year);
        case 2:
            return Format("%s%.4d%.2d.txt", f, t.year, t.month);
        case 3:
            return Format("%s%.4d%.2d%.2d.txt", f, t.year, t.month, t.day);
        case 5:
            return Format("%s%.4d%.2d%.2d%.2d%.2d.txt", f, t.year, t.month, t.day, t.hour,
                          t.minute);
        case 6:
            return Format("%s%.4d%.2d%.2d%.2d%.2d%.2d.txt", f, t.year, t.month, t.day, t.hour,
                          t.minute, t.second);
        default:
            return Format("%s%.4d%.2d%.2d%.2d.txt", f, t.year, t.month, t.day, t.hour);
    }
}

int CLogWriter::Write(const std::string& message) {
    return Write(message, NowLocal());
}

int CLogWriter::Write(const std::string& message, const LocalTime& now) {
    std::string text = CutToUtf8Bytes(message, 1023);
    std::lock_guard lock(mutex_);
    std::string name = FileName(now);
    std::string line = mode_ == 1
                           // The yearly form keeps the full textual time with its line break.
                           ? "[ " + FormatTextualTime(now) + "\n ] " + text + " "
                           : "[" + FormatTextualTime(now).substr(0, 24) + "] " + text;
    std::FILE* file = std::fopen(name.c_str(), "a");
    if (!file) return -1;
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
    return 0;
}

}  // namespace velorin
