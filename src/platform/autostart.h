#pragma once
// The desktop session's autostart entry: $XDG_CONFIG_HOME/autostart/velorin.desktop.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velorin {

class CAutostartEntry {
public:
    // `profile` is given when the program runs on a profile other than the default,
    // so that the started program finds the same one.
    CAutostartEntry(std::filesystem::path executable, std::optional<std::filesystem::path> profile);

    bool Write() const;
    // True also when there was nothing to remove.
    bool Remove() const;
    std::filesystem::path File() const;
    std::string ExecLine() const;

private:
    std::filesystem::path executable_;
    std::optional<std::filesystem::path> profile_;
};

// One argument of an Exec= line, quoted and escaped as desktop entries require.
std::string QuoteExecArgument(const std::string& argument);

}  // namespace velorin
