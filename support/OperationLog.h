#pragma once
#include "ZxExport.h"

#include <mutex>
#include <string>

// The operation log: every trace line, time-stamped, in a text file of the
// Logs folder beside the program (PlatformProgramFolder()/Logs). A new file is
// started at every program start and after every 102400 lines; each line
// opens, appends to and closes the file, so nothing is lost on a crash.
//
// File name: "vtlog%d-%02d-%02d %02d-%02d-%02d.txt" of the local time; when a
// file of that name already exists (two files within one second) " (2)",
// " (3)" ... is put before ".txt" so no earlier file is overwritten.
// Line: "%d-%02d-%02d %02d:%02d:%02d:%03d" time stamp, a blank, the text; at
// most 1023 bytes; every line feed of the text is written as CR LF.
//
// At each new file the folder is tidied: files without ".txt" in their name
// are deleted, sub-folders are left alone, and "vtlogYYYY-MM-..." files whose
// month lies before the previous calendar month are deleted (so the current
// and the previous month are always kept). Other ".txt" files are kept.
class ZX_EXPORT COperationLog
{
public:
    static constexpr unsigned kLinesPerFile = 102400;

    // Logs below PlatformProgramFolder()/Logs, or below the given folder.
    COperationLog();
    explicit COperationLog(std::string logsFolder);
    COperationLog(const COperationLog&) = delete;
    COperationLog& operator=(const COperationLog&) = delete;

    // Makes the folder (and missing parents), tidies it and creates a new,
    // empty file. When the folder cannot be made nothing else happens.
    void OpenNewFile();

    // Appends one line; dropped while no file was ever created, or for a
    // missing text. A line that cannot be written is lost silently.
    void WriteLine(const char* text);

    bool IsOpen() const;
    std::string CurrentPath() const;
    std::string Folder() const { return m_folder; }

    // The process-wide log, made on first use and never destroyed (traces
    // from destructors at exit still land). The program touches it first
    // thing in main() so that it exists from process start; tests that want
    // it elsewhere call PlatformSetProgramFolder before the first use.
    static COperationLog& Process();

private:
    void OpenNewFileLocked();
    void PurgeOldFiles() const;

    mutable std::mutex m_lock;
    std::string m_folder;
    std::string m_path;
    unsigned m_lineCount = 0;
    bool m_open = false;
};

// Trace points. Level 1 writes "[zendrix]" and the formatted message (at most
// 1023 characters) plus a line feed to the debugger output
// (PlatformDebugOutput) and to the process-wide operation log; any other level
// does nothing at all.
ZX_EXPORT void TraceA(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The wide twin. The format follows the Windows wide printf convention, so
// existing trace points keep their meaning: %s and %c take wide arguments,
// %S and %C narrow ones (%ls, %hs and the like work as well). The line goes to
// PlatformDebugOutputW and, converted to UTF-8 with ToNarrow (so every
// backslash and apostrophe gains a backslash), to the operation log.
ZX_EXPORT void TraceW(int level, const wchar_t* format, ...);
