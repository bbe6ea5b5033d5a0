#include "files.hpp"

#include "error.hpp"
#include "format.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <memory>
#include <new>
#include <vector>

namespace kelmar {
namespace {

std::string reason(int error) {
    switch (error) {
        case ENOENT:
            return "no such file";
        case EACCES:
        case EPERM:
            return "permission denied";
        case EISDIR:
            return "it is a folder";
        case ENOSPC:
            return "no space left on the device";
        case EFBIG:
            return "the file would exceed the size limit";
        default:
            return std::strerror(error);
    }
}

// Holds back the signals that would end the process while files are committed, so no temporary
// file is left behind and no half-finished set of files is published. A broken pipe or an
// exceeded file-size limit then shows as a failed write instead of ending the process; such
// signals raised meanwhile are consumed before the old mask returns.
class SignalHold {
  public:
    SignalHold() {
        sigemptyset(&held_);
        for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ})
            sigaddset(&held_, s);
        sigpending(&pending_before_);
        pthread_sigmask(SIG_BLOCK, &held_, &old_);
    }
    ~SignalHold() {
        sigset_t raised;
        sigemptyset(&raised);
        for (int s : {SIGPIPE, SIGXFSZ}) {
            if (!sigismember(&pending_before_, s) && !sigismember(&old_, s))
                sigaddset(&raised, s);
        }
        const timespec now{0, 0};
        while (sigtimedwait(&raised, nullptr, &now) > 0) {
        }
        pthread_sigmask(SIG_SETMASK, &old_, nullptr);
    }
    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;

  private:
    sigset_t held_{};
    sigset_t old_{};
    sigset_t pending_before_{};
};

std::string folder_of(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The path with its symbolic links followed to the file they name (which need not exist yet).
std::string follow_links(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::vector<char> buffer(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(current.c_str(), buffer.data(), buffer.size());
        if (n < 0 || static_cast<std::size_t>(n) >= buffer.size())
            return current;
        std::string next(buffer.data(), static_cast<std::size_t>(n));
        current = next.starts_with('/') ? next : folder_of(current) + next;
    }
    return current;
}

mode_t new_file_mode() {
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return 0666 & ~mask;
}

}  // namespace

std::optional<std::string> read_file_bytes(const std::string& path, bool stop_at_nul) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd);
        errno = EISDIR;
        return std::nullopt;
    }
    std::string bytes;
    int error = 0;
    try {
        // A regular file is read into one buffer of its size; whatever else (a pipe, a device,
        // a file still growing) in steps of 64 KiB.
        std::size_t used = 0;
        std::size_t step = S_ISREG(st.st_mode) && st.st_size > 0
                               ? static_cast<std::size_t>(st.st_size) + 1
                               : std::size_t{1} << 16;
        while (true) {
            if (used == bytes.size())
                bytes.resize(used + step);
            const ssize_t n = ::read(fd, bytes.data() + used, bytes.size() - used);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0) {
                error = errno;
                break;
            }
            if (n == 0)
                break;
            const bool nul = stop_at_nul && std::memchr(bytes.data() + used, '\0',
                                                        static_cast<std::size_t>(n)) != nullptr;
            used += static_cast<std::size_t>(n);
            if (nul)
                break;
            step = std::max<std::size_t>(step, std::size_t{1} << 16);
        }
        bytes.resize(used);
    } catch (const std::bad_alloc&) {
        ::close(fd);
        throw Error("not enough memory to read " + in_quotes(path));
    }
    ::close(fd);
    if (error != 0) {
        throw Error("reading " + in_quotes(path) + " failed: " + reason(error));
    }
    return bytes;
}

std::string cannot_open_message(const std::string& path) {
    const std::string head = "cannot open " + in_quotes(path);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        return head + ": it is a folder";
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        ::close(fd);
        return head;
    }
    return head + ": " + reason(errno);
}

bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

void write_file_atomically(const std::string& path, std::string_view text) {
    const FileText file{path, text};
    write_files_atomically(std::span<const FileText>(&file, 1));
}

namespace {

// Whether `path` names an existing FIFO or device (links followed): written in place.
bool names_special_file(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
}

}  // namespace

void write_files_atomically(std::span<const FileText> files, const std::function<void()>& last) {
    if (files.empty()) {
        if (last)
            last();  // nothing to put back, so no signal is held
        return;
    }
    std::vector<std::unique_ptr<AtomicFileWriter>> writers(files.size());
    // FIFOs and devices first, with signals free: opening a FIFO waits for its reader, and an
    // interrupt then must find no temporary file made and no target replaced.
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (names_special_file(files[i].path))
            writers[i] = std::make_unique<AtomicFileWriter>(files[i].path);
    }
    const SignalHold hold;
    std::vector<AtomicFileWriter*> pointers;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!writers[i])
            writers[i] = std::make_unique<AtomicFileWriter>(files[i].path);
        writers[i]->write(files[i].text);
        pointers.push_back(writers[i].get());
    }
    commit_together(pointers, last);
}

AtomicFileWriter::AtomicFileWriter(std::string target)
    : target_(std::move(target)), destination_(follow_links(target_)) {
    struct stat existing {};
    existed_ = ::stat(destination_.c_str(), &existing) == 0;
    if (existed_ && S_ISDIR(existing.st_mode)) {
        throw Error("cannot write " + in_quotes(target_) + ": it is a folder");
    }
    if (existed_ && !S_ISREG(existing.st_mode)) {
        direct_ = true;  // a FIFO or a device takes the text as it comes
        do {
            device_ = ::open(destination_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        } while (device_ < 0 && errno == EINTR);
        if (device_ < 0)
            throw Error("cannot write " + in_quotes(target_) + ": " + reason(errno));
        return;
    }
    std::string pattern = destination_ + ".tmp-XXXXXX";
    const SignalHold hold;
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        throw Error("cannot create " + in_quotes(target_) + ": " + reason(errno));
    }
    temporary_ = pattern;
    // The new file gets the permissions of the file it replaces, or the usual ones.
    ::fchmod(fd, existed_ ? (existing.st_mode & 07777) : new_file_mode());
    file_ = ::fdopen(fd, "w");
    if (file_ == nullptr) {
        const int error = errno;
        ::close(fd);
        ::unlink(temporary_.c_str());
        throw Error("cannot create " + in_quotes(target_) + ": " + reason(error));
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    if (device_ >= 0)
        ::close(device_);
    if (!committed_ && !temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
    forget_backup();
}

void AtomicFileWriter::fail(const std::string& what, int error) {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
    throw Error(what + " " + in_quotes(target_) + " failed: " + reason(error));
}

void AtomicFileWriter::write(std::string_view text) {
    if (committed_ || (!direct_ && file_ == nullptr)) {
        throw Error("cannot write to " + in_quotes(target_) + ": the file is already closed");
    }
    if (direct_) {
        buffered_.append(text);
        return;
    }
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        fail("writing", errno);
    }
}

void AtomicFileWriter::print(std::string_view format, std::span<const Value> args) {
    write(format_text(format, args));
}

void AtomicFileWriter::prepare() {
    if (committed_ || (!direct_ && file_ == nullptr)) {
        throw Error("cannot save " + in_quotes(target_) + ": the file is already closed");
    }
    if (direct_)
        return;
    if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) {
        fail("writing", errno);
    }
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) {
        fail("writing", errno);
    }
}

void AtomicFileWriter::publish(bool keep_backup) {
    if (direct_) {
        const int fd = device_;
        device_ = -1;
        std::size_t done = 0;
        while (done < buffered_.size()) {
            const ssize_t n = ::write(fd, buffered_.data() + done, buffered_.size() - done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                const int error = n < 0 ? errno : EIO;
                ::close(fd);
                fail("writing", error);
            }
            done += static_cast<std::size_t>(n);
        }
        if (::close(fd) != 0 && errno != EINTR)
            fail("writing", errno);
        committed_ = true;
        return;
    }
    if (existed_ && keep_backup) {
        // A second name for the file being replaced, so the replacement can be undone when a
        // later file of the same commit fails.
        std::string pattern = destination_ + ".old-XXXXXX";
        const int fd = ::mkstemp(pattern.data());
        if (fd >= 0) {
            ::close(fd);
            ::unlink(pattern.c_str());
            if (::link(destination_.c_str(), pattern.c_str()) == 0)
                backup_ = pattern;
        }
    }
    if (std::rename(temporary_.c_str(), destination_.c_str()) != 0) {
        const int error = errno;
        forget_backup();
        fail("saving", error);
    }
    temporary_.clear();
    committed_ = true;
}

void AtomicFileWriter::roll_back() noexcept {
    if (!committed_ || direct_)
        return;
    if (!backup_.empty()) {
        if (::rename(backup_.c_str(), destination_.c_str()) == 0)
            backup_.clear();
    } else if (!existed_) {
        ::unlink(destination_.c_str());
    }
}

void AtomicFileWriter::forget_backup() noexcept {
    if (!backup_.empty())
        ::unlink(backup_.c_str());
    backup_.clear();
}

void AtomicFileWriter::commit() {
    AtomicFileWriter* self = this;
    commit_together(std::span<AtomicFileWriter* const>(&self, 1));
}

void commit_together(std::span<AtomicFileWriter* const> writers,
                     const std::function<void()>& last) {
    const SignalHold hold;
    for (AtomicFileWriter* w : writers)
        w->prepare();
    // Regular files first: their replacement can be undone; a device's cannot.
    std::vector<AtomicFileWriter*> order;
    for (AtomicFileWriter* w : writers)
        if (!w->direct_)
            order.push_back(w);
    for (AtomicFileWriter* w : writers)
        if (w->direct_)
            order.push_back(w);
    std::size_t published = 0;
    try {
        for (; published < order.size(); ++published)
            order[published]->publish(published + 1 < order.size() || last);
        if (last)
            last();
    } catch (...) {
        for (std::size_t i = published; i-- > 0;)
            order[i]->roll_back();
        for (AtomicFileWriter* w : order)
            w->forget_backup();
        throw;
    }
    for (AtomicFileWriter* w : order)
        w->forget_backup();
}

}  // namespace kelmar
