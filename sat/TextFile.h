#pragma once

#include <functional>
#include <string>
#include <vector>

// The text files the operator saves: Windows-1252, every line ended by CR LF, no
// byte-order mark, exactly the name chosen. The text goes to a temporary file beside the
// target, flushed to the disk and then renamed over it, so a failed write or a power cut
// leaves an existing file as it was. A link is followed and the file it leads to is written
// (the link stays); a name that is not a regular file (a folder, a device), or a file that is
// read-only or that the user may not write, is refused and nothing is written. A replaced file
// keeps its permissions.
namespace textfile {

struct WriteResult {
    bool ok = false;
    std::string error; // why the file could not be written (UTF-8), when !ok
};

enum class Encoding { Windows1252, Utf8 };

// Shared: a new file gets the usual permissions (0666 less the umask), a replaced one keeps
// its own. Private, for a file that holds secrets: the file ends readable and writable by its
// owner only (0600), new or replaced. Windows has no such modes: both are the same there.
enum class FileAccess { Shared, Private };

// Each entry is a line; a line break inside an entry (LF, CR LF or CR) starts a new line of
// the file. No entries give an empty file.
WriteResult writeLines(const std::string& pathUtf8, const std::vector<std::string>& linesUtf8,
                       Encoding encoding = Encoding::Windows1252,
                       FileAccess access = FileAccess::Shared);

// The suffix the temporary file beside the target gets on each attempt (0, 1, ...); empty
// function: random suffixes. Lets tests make two attempts clash.
void setTemporaryNameSource(std::function<std::string(int attempt)> source);

// Writes the bytes exactly as given, with the same replace-on-success rule.
WriteResult writeBytes(const std::string& pathUtf8, const std::string& bytes,
                       FileAccess access = FileAccess::Shared);

// The bytes writeLines puts in the file.
std::string encodeLines(const std::vector<std::string>& linesUtf8,
                        Encoding encoding = Encoding::Windows1252);

// An XML document that says it is UTF-8, or says nothing (UTF-8 by default): written in
// Windows-1252 it could no longer be read, nor its signature checked.
bool declaresUtf8Xml(const std::string& textUtf8);

struct ReadResult {
    bool ok = false;
    std::string text;  // the bytes read, zero bytes included, not decoded
    std::string error; // why the file could not be read (UTF-8), when !ok
};

// Reads a document the operator opens in text mode: each CR LF pair is read as one LF (a lone
// CR stays), and reading stops after maxBytes bytes of text, so a longer file is cut there. On
// Windows the C runtime's text mode does it, and a Ctrl+Z byte there also ends the text.
ReadResult readText(const std::string& pathUtf8, std::size_t maxBytes);

} // namespace textfile
