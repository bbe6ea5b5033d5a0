// File access: reading a whole file as untranslated bytes, and writing a file atomically. The
// atomic writer puts its text into a temporary file in the target's folder and renames it over
// the target only on commit, so a failed or abandoned write never leaves a half-written file in
// place of an older one.
#pragma once

#include "value.hpp"

#include <cstdio>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kelmar {

// The bytes of the file, or nothing when it cannot be opened for reading. A read that fails
// after opening raises an Error naming the file.
std::optional<std::string> read_file_bytes(const std::string& path);

// Replaces `path` with `text` atomically; raises an Error naming the file when that fails.
void write_file_atomically(const std::string& path, std::string_view text);

class AtomicFileWriter {
  public:
    // Creates the temporary file beside `target`; raises an Error naming the target when the
    // folder cannot take it.
    explicit AtomicFileWriter(std::string target);
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;
    // Without a commit the temporary file is removed and the target is left as it was.
    ~AtomicFileWriter();

    void write(std::string_view text);
    // Formatted output with the rules of format_text.
    void print(std::string_view format, std::span<const Value> args);
    void print(std::string_view format, std::initializer_list<Value> args = {}) {
        print(format, std::span<const Value>(args.begin(), args.size()));
    }

    // Flushes the text to disk and renames it over the target.
    void commit();

    const std::string& target() const { return target_; }

  private:
    void fail(const std::string& what);

    std::string target_;
    std::string temporary_;
    std::FILE* file_ = nullptr;
    bool committed_ = false;
};

}  // namespace kelmar
