#pragma once

#include <map>
#include <string>
#include <vector>

// The command lines that ran, per project folder, newest first: at most kMaxLines a
// project, and a line that runs again moves to the top instead of being kept twice.
// The file is UTF-8 text, one line per entry ("P " and a project folder, then "C " and
// each of its command lines; backslash, CR and LF escaped), replaced whole on every
// change. Another copy of the program may share the file: each change reads it and
// replaces it under the file's lock (platform::RewriteFile), so no copy's line is lost
// and the file keeps its permission bits.
//
// Bounds: a file over kMaxFileBytes is not read (and not replaced), and a line longer
// than kMaxLineBytes is neither read nor kept.
class TCommandHistory {
public:
    static constexpr std::size_t kMaxLines = 500;
    static constexpr std::size_t kMaxLineBytes = 16 * 1024;
    static constexpr std::size_t kMaxFileBytes = 8 * 1024 * 1024;

    const std::string& FileName() const { return FFileName; }
    // Names the file (UTF-8) and reads it; a missing or unreadable file gives an
    // empty history.
    void setFileName(const std::string& AValue);

    // The project's lines, newest first.
    const std::vector<std::string>& Lines(const std::string& AProject) const;
    // The project's newest line, or "" when it has none.
    std::string Last(const std::string& AProject) const;

    // Puts ALine at the top of the project's lines and writes the file. An empty line
    // or project, or one longer than kMaxLineBytes, is not kept. Throws Exception("Unable to write to <file>") when the
    // file cannot be written; the lines are kept in memory all the same.
    void Add(const std::string& AProject, const std::string& ALine);

    // Reads the file again, dropping what is held in memory.
    void Load();

private:
    // Replaces the lines in memory with the file's; false, keeping them, when the
    // file cannot be read.
    bool Read();
    // Replaces the lines in memory with those of the file's bytes.
    void Parse(const std::string& ABytes);
    // The file's bytes for the lines in memory.
    std::string Text() const;

    std::string FFileName;
    std::map<std::string, std::vector<std::string>> FProjects;
};
