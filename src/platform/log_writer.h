#pragma once
// Dated log files: one file per year, month, day, hour, minute or second,
// named from the local time; each entry "[time] message".
#include <mutex>
#include <string>

#include "platform/local_time.h"

namespace velorin {

class CLogWriter {
public:
    // `folder` ends with a separator; `mode` 1..6 picks the file's period (others: hourly).
    void Configure(std::string folder, int mode);
    // Returns 0, or -1 when the file cannot be opened. The message is cut to 1023 bytes.
    int Write(const std::string& message);
    int Write(const std::string& message, const LocalTime& now);

    // The file an entry at `now` goes to.
    std::string FileName(const LocalTime& now) const;

private:
    mutable std::mutex mutex_;
    std::string folder_ = "./";
    int mode_ = 3;
};

}  // namespace velorin
