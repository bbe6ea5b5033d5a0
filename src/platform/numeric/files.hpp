// File access: reading a whole file as untranslated bytes, and writing files safely. A regular
// file (or a new one) is written to a temporary file in its folder and renamed over the target
// only on commit, keeping the old file's permissions, so a failed or abandoned write never leaves
// a half-written file in place of an older one. A symbolic link is followed to the file it names
// (the link stays a link); a FIFO, a terminal or another device is written directly, opened
// before any regular file is touched and with every signal free, so a FIFO that waits for its
// reader can be interrupted and leaves everything as it was. Signals that end the process are
// held back while files are committed, so no temporary or backup file is left behind.
#pragma once

#include "value.hpp"

#include <cstdio>
#include <functional>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kelmar {

// The bytes of the file, or nothing when it cannot be opened for reading (a folder cannot). A
// read that fails after opening raises an Error naming the file; so does a file too large for the
// memory ("not enough memory to read ...").
// With `stop_at_nul`, reading ends after the first read that brings a NUL byte, which no text
// holds: a device such as /dev/zero is then refused at once rather than read without end.
std::optional<std::string> read_file_bytes(const std::string& path, bool stop_at_nul = false);

// Why `path` cannot be opened for reading, as in: cannot open "a.txt": no such file.
std::string cannot_open_message(const std::string& path);

// Whether two paths name the same existing file (links followed), whatever their spelling.
bool same_file(const std::string& a, const std::string& b);

// Replaces `path` with `text` as described above; raises an Error naming the file when that fails.
void write_file_atomically(const std::string& path, std::string_view text);

struct FileText {
    std::string path;
    std::string_view text;
};

// Writes every file or none: when one write fails, the files already replaced get their old
// contents back and the error names the file that failed. `last`, when given, runs after every
// file is in place (writing standard output, say); when it raises, the files are put back too.
void write_files_atomically(std::span<const FileText> files,
                            const std::function<void()>& last = {});

class AtomicFileWriter {
  public:
    // Prepares the write: for a regular or new file, creates the temporary file beside the file
    // the target names; a FIFO or device is opened (a FIFO waits for its reader); raises an Error
    // naming the target when that cannot be done.
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

    // Flushes the text to disk and renames it over the target (or writes it into the device).
    void commit();

    const std::string& target() const { return target_; }

  private:
    friend void commit_together(std::span<AtomicFileWriter* const> writers,
                                const std::function<void()>& last);
    void prepare();
    void publish(bool keep_backup);
    void roll_back() noexcept;
    void forget_backup() noexcept;
    [[noreturn]] void fail(const std::string& what, int error);

    std::string target_;       // as given, for messages
    std::string destination_;  // the file written: the target with its links followed
    bool direct_ = false;      // a FIFO or device: written in place at publication
    std::string buffered_;     // the text of a direct write
    std::string temporary_;
    std::string backup_;  // a second name of the replaced file while others are published
    bool existed_ = false;
    std::FILE* file_ = nullptr;
    int device_ = -1;  // the open FIFO or device of a direct write
    bool committed_ = false;
};

// Commits several writers as one: all targets are replaced, or none.
void commit_together(std::span<AtomicFileWriter* const> writers,
                     const std::function<void()>& last = {});

}  // namespace kelmar
