#include "platform/base/FileRead.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class ReadFd {
public:
    explicit ReadFd(int fd) : m_fd(fd) {}
    ~ReadFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    ReadFd(const ReadFd&) = delete;
    ReadFd& operator=(const ReadFd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

FileReadResult ReadWholeFile(const std::filesystem::path& path, std::vector<BYTE>& bytes,
                             std::size_t maxBytes) {
    bytes.clear();
    // O_NONBLOCK: opening a FIFO someone named as a skin file must not hang the program.
    const ReadFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        return FileReadResult::Missing;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return FileReadResult::Missing;
    }
    if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) {
        return FileReadResult::TooLarge;
    }
    bytes.reserve(static_cast<std::size_t>(st.st_size));
    BYTE chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            bytes.clear();
            return FileReadResult::Missing;
        }
        if (n == 0) {
            return FileReadResult::Ok;
        }
        if (bytes.size() + static_cast<std::size_t>(n) > maxBytes) {
            bytes.clear();
            bytes.shrink_to_fit();
            return FileReadResult::TooLarge;
        }
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
}
