#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Reading a Laravel log file ("[2026-12-10 15:04:05] local.ERROR: message {...} []"
// followed by the entry's trace lines) without loading it: the index holds only the
// byte offsets where entries start, and an entry's text is read when it is asked for.
// Opening indexes the newest entries first, from the end of the file backwards; older
// ones are indexed on request, newer ones as the file grows.

// The header line of one entry.
struct TLogHeader {
    std::string Time;         // "2026-12-10 15:04:05" as written
    std::string Environment;  // "local"
    std::string Level;        // "ERROR"
    std::string Message;      // the rest of the first line up to its context
    std::string Context;      // the first line's context text (" {...} []"), trimmed
};

// The header read from the start of ALine (which may run on past the line's end);
// nothing for a line that does not start an entry.
std::optional<TLogHeader> ParseLogHeader(std::string_view ALine);

// The rank of a level name (DEBUG 0 ... EMERGENCY 7, any case); -1 for an unknown one.
int LogLevelRank(std::string_view ALevel);

// One frame of a trace line ("#3 /app/Http/X.php(12): ..." or "... at /app/X.php:12)").
struct TLogFrame {
    std::string File;
    int Line = 0;
    bool Vendor = false;  // inside a vendor/ folder
};
std::optional<TLogFrame> ParseLogFrame(std::string_view ALine);

// One entry: where it is, its header (none for text before the first entry) and its
// text after the first line, cut at the limit given when it was read.
struct TLogEntry {
    std::uint64_t Offset = 0;
    std::uint64_t Length = 0;
    std::optional<TLogHeader> Header;
    std::string FirstLine;  // the whole first line, for text that is not an entry
    std::string Detail;     // the lines after the first
    bool Cut = false;       // the entry was longer than the limit
};

// The text with every byte sequence that is not UTF-8 replaced by U+FFFD.
std::string ValidUtf8(std::string_view AText);

class TLogIndex {
public:
    enum class TState { Ready, Missing, NotAFile, Unreadable };
    enum class TChange { None, Appended, Reset };

    explicit TLogIndex(std::string APath);

    // Indexes the newest entries, at least AMinimum of them where the file has that
    // many (scanning backwards from the end).
    void Open(std::size_t AMinimum = 1000);
    // Indexes entries older than the oldest indexed one, at least AMinimum more; false
    // when the start of the file is reached already.
    bool IndexEarlier(std::size_t AMinimum = 1000);
    // Reads what was written since the last look: appended entries, or a fresh index
    // when the file got shorter or was replaced (another first line).
    TChange Refresh();

    TState State() const { return FState; }
    // Why the file cannot be shown, for a state other than Ready.
    std::string Message() const;
    const std::string& Path() const { return FPath; }

    std::size_t Count() const { return FStarts.size(); }
    bool ReachedStart() const { return FScannedFrom == 0; }
    std::uint64_t FileSize() const { return FSize; }
    // Entry AIndex (0 is the oldest indexed), with at most AMaxBytes of its text read.
    TLogEntry Entry(std::size_t AIndex, std::size_t AMaxBytes = 1u << 20) const;

    // Empties the file; false when it cannot be written.
    bool Clear();

private:
    bool Stat();
    void Reset();
    // Entry starts in [AFrom, ATo), in order; ATo is the end of the last whole line.
    std::vector<std::uint64_t> ScanForward(std::uint64_t AFrom, std::uint64_t ATo) const;
    std::string ReadAt(std::uint64_t AOffset, std::size_t ALength) const;
    std::string Head() const;

    std::string FPath;
    TState FState = TState::Missing;
    std::uint64_t FSize = 0;
    std::uint64_t FScannedFrom = 0;  // the index covers [FScannedFrom, FScannedTo)
    std::uint64_t FScannedTo = 0;    // just past the last whole line seen
    std::string FHead;               // the first bytes, to notice a replaced file
    std::vector<std::uint64_t> FStarts;
};
