#include "files.hpp"

#include "error.hpp"
#include "format.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstring>

namespace kelmar {
namespace {

std::string system_reason() {
    return std::strerror(errno);
}

}  // namespace

std::optional<std::string> read_file_bytes(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string bytes;
    char buffer[1 << 16];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, n);
    }
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) {
        throw Error("reading \"" + path + "\" failed: " + system_reason());
    }
    return bytes;
}

void write_file_atomically(const std::string& path, std::string_view text) {
    AtomicFileWriter file(path);
    file.write(text);
    file.commit();
}

AtomicFileWriter::AtomicFileWriter(std::string target) : target_(std::move(target)) {
    std::string pattern = target_ + ".tmp-XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        throw Error("cannot create \"" + target_ + "\": " + system_reason());
    }
    temporary_ = pattern;
    // Give the new file the permissions of the file it replaces, or the usual ones.
    struct stat existing {};
    const mode_t mode = ::stat(target_.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    ::fchmod(fd, mode);
    file_ = ::fdopen(fd, "w");
    if (file_ == nullptr) {
        ::close(fd);
        ::unlink(temporary_.c_str());
        throw Error("cannot create \"" + target_ + "\": " + system_reason());
    }
}

AtomicFileWriter::~AtomicFileWriter() {
    if (file_ != nullptr) {
        std::fclose(file_);
    }
    if (!committed_ && !temporary_.empty()) {
        ::unlink(temporary_.c_str());
    }
}

void AtomicFileWriter::fail(const std::string& what) {
    const std::string reason = system_reason();
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    ::unlink(temporary_.c_str());
    temporary_.clear();
    throw Error(what + " \"" + target_ + "\" failed: " + reason);
}

void AtomicFileWriter::write(std::string_view text) {
    if (file_ == nullptr) {
        throw Error("cannot write to \"" + target_ + "\": the file is already closed");
    }
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        fail("writing");
    }
}

void AtomicFileWriter::print(std::string_view format, std::span<const Value> args) {
    write(format_text(format, args));
}

void AtomicFileWriter::commit() {
    if (file_ == nullptr) {
        throw Error("cannot save \"" + target_ + "\": the file is already closed");
    }
    if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) {
        fail("writing");
    }
    const int closed = std::fclose(file_);
    file_ = nullptr;
    if (closed != 0) {
        fail("writing");
    }
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0) {
        fail("saving");
    }
    committed_ = true;
}

}  // namespace kelmar
