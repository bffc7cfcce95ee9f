#pragma once
// Caps the size of any file the process writes for one scope, as a full disk would: a write that
// crosses the cap is cut short and the next one fails with EFBIG ("File too large"). SIGXFSZ is
// ignored meanwhile, so the failure comes back as an error instead of ending the process. Limit
// and handler are given back when the scope ends, also when an assertion ends the test early.
#include <csignal>
#include <cstring>
#include <string>
#include <sys/resource.h>

namespace kal::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit capped = old_;
        capped.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &capped) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool active() const { return active_; }
    // The reason a write past the cap reports.
    static std::string reason() { return std::strerror(EFBIG); }

private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

} // namespace kal::test
