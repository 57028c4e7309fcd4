#pragma once

#include <string>

// The settings file: every read and write goes straight to the file through the
// private-profile functions, so nothing of it is kept in memory and each write
// is on disk when the call returns. While the file name is blank, reads give "",
// writes do nothing and report success.
class TIniFileParser {
public:
    const std::string& IniFileName() const { return FIniFileName; }

    // Stores the name unchanged and creates the file empty when it is missing;
    // an existing file is left untouched. Throws Exception "Cannot create file
    // "<absolute name>". <system error text>" when it cannot be created (the
    // name is stored all the same).
    void setIniFileName(const std::string& AValue);

    std::string ReadVal(const std::string& ASection, const std::string& AIdent,
                        const std::string& ADefault) const;

    // False when the write was refused; never throws. LastWriteError() then says why.
    bool WriteVal(const std::string& ASection, const std::string& AIdent,
                  const std::string& AValue) const;

    // Why the last WriteVal failed, in the system's words ("Permission denied"); ""
    // after a write that went through.
    const std::string& LastWriteError() const { return FLastWriteError; }

    // True when the section holds at least one key and every key's value has a
    // character above U+0020.
    bool IsSectionFilledIn(const std::string& ASectionName) const;

    // Folder of the running executable with a trailing "/" ("" when unknown).
    static std::string ReadApplicationPath();

private:
    friend struct TIniFileParserTestPeer;

    // False when the text holds only characters of code U+0020 or below.
    static bool IsFilledIn(const std::string& AText);

    std::string FIniFileName;
    mutable std::string FLastWriteError;
};
