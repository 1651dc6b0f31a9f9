#include "platform/autostart.h"

#include <fstream>
#include <system_error>

#include "platform/paths.h"

namespace velorin {
namespace fs = std::filesystem;

CAutostartEntry::CAutostartEntry(fs::path executable, std::optional<fs::path> profile)
    : executable_(std::move(executable)), profile_(std::move(profile)) {}

fs::path CAutostartEntry::File() const {
    return ConfigHome() / "autostart" / "velorin.desktop";
}

std::string QuoteExecArgument(const std::string& argument) {
    static const std::string kReserved = " \t\n\"'\\><~|&;$*?#()`";
    std::string out;
    bool quote = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
    for (char c : argument) {
        if (c == '%') {
            out += "%%";
            continue;
        }
        if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
        out += c;
    }
    if (quote) out = "\"" + out + "\"";
    // The key file format unescapes backslashes once more, and a raw line break
    // would end the value and start a key of its own.
    std::string escaped;
    for (char c : out) {
        if (c == '\n') {
            escaped += "\\n";
        } else if (c == '\r') {
            escaped += "\\r";
        } else {
            escaped += c;
            if (c == '\\') escaped += '\\';
        }
    }
    return escaped;
}

std::string CAutostartEntry::ExecLine() const {
    std::string line = QuoteExecArgument(executable_.string());
    if (profile_) line += " --home " + QuoteExecArgument(profile_->string());
    return line;
}

bool CAutostartEntry::Write() const {
    fs::path file = File();
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    fs::path temporary = file;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << "[Desktop Entry]\n"
            << "Type=Application\n"
            << "Name=Velorin\n"
            << "Comment=Velorin file sharing\n"
            << "Exec=" << ExecLine() << "\n"
            << "Terminal=false\n"
            << "X-GNOME-Autostart-enabled=true\n";
        if (!out.flush()) {
            fs::remove(temporary, ec);
            return false;
        }
    }
    fs::rename(temporary, file, ec);
    return !ec;
}

bool CAutostartEntry::Remove() const {
    std::error_code ec;
    fs::remove(File(), ec);
    return !ec;
}

}  // namespace velorin
