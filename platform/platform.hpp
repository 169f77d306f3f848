// The one interface between the portable core and the operating system.
//
// Everything the core needs from the system is declared here and nowhere else:
// file services, the clock, and the user interface as the core sees it (message
// boxes, the wait cursor, the dialog's items). platform/posix/ and platform/win32/
// each implement it once, making every system call through a table that tests
// may change; platform/common/ holds what both share (the public file services
// that keep the cause of a failure, the test hooks, the table's lookup by name).
// This header includes no system header and names no system type.
//
// Function names avoid those that <windows.h> turns into macros (MessageBox,
// DeleteFile, CopyFile).
//
// Names: the core spells file names the way the data folder has always spelled
// them, relative to the working folder and with backslashes ("REG\F1200008.DAT",
// "A:\F10R2.BAK", "\Vamk\Rud\F10R4.DAT"). Each implementation maps such a name to
// its own system; the POSIX one also finds an existing file whose name differs
// only in letter case, as Windows does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace plat {

// ---------------------------------------------------------------------------
// Files

// An open file. Negative means none.
using Handle = std::int64_t;
constexpr Handle kNoHandle = -1;

enum class OpenMode {
  kRead,    // an existing file, reading only
  kUpdate,  // an existing file, reading and writing at any position
  kAppend,  // writing at the end; the file is created when missing
  kCreate,  // created, or emptied when it exists; reading and writing
  kCreateNew,  // created; refused when a file of that name exists; reading and writing
};

// Opens a file. Writers (every mode but kRead) mark the file as held for
// writing, so that BusyTest() in another process sees it.
Handle OpenFile(const std::string& name, OpenMode mode);
// Reads up to n bytes at offset; returns the count (0 at the end), -1 on error.
std::int64_t ReadAt(Handle h, std::uint64_t offset, void* buffer, std::size_t n);
// Writes n bytes at offset (at the end for kAppend handles); returns the count
// written, which is less than n on error (a full disk, a dropped share).
std::int64_t WriteAt(Handle h, std::uint64_t offset, const void* buffer, std::size_t n);
// The current size of an open file; -1 on error.
std::int64_t SizeOf(Handle h);
// Flushes the file's data to the disk.
bool SyncFile(Handle h);
// Cuts a file opened for update to size bytes.
bool TruncateFile(Handle h, std::uint64_t size);
bool CloseFile(Handle h);

// What tells one version of a file from another: its identity on its volume,
// its size and the time of its last change, as the file system keeps them.
struct FileStamp {
  std::uint64_t id = 0;
  std::int64_t size = -1;
  std::int64_t modified = 0;
  bool operator==(const FileStamp&) const = default;
};
// The stamp of a regular file; false when there is none (missing, refused).
bool StampOf(const std::string& name, FileStamp* stamp);

// True when a file or a folder of that name exists.
bool Exists(const std::string& name);
bool IsFolder(const std::string& name);
// True when the file exists and carries the read-only attribute.
bool IsReadOnly(const std::string& name);
// Clears the read-only attribute of an existing file. False when it could not.
bool MakeWritable(const std::string& name);
// Sets the read-only attribute (used by tests and the sample tool).
bool MakeReadOnly(const std::string& name);
// Removes a file (not a folder). False when it is missing or cannot be removed,
// or carries the read-only attribute (as Windows refuses).
bool RemoveFile(const std::string& name);
// Removes a file also when it carries the read-only attribute. POSIX removes it
// as it is; Windows clears the attribute of that one name first (refusing a
// file with another name, whose attribute would change too).
bool RemoveAnyFile(const std::string& name);
// Copies a file unless the target exists. The target appears complete or not
// at all: the copy is written as to + ".~part" and renamed when whole, and a
// copy that fails half-way leaves nothing behind (a crash may leave the
// ".~part" file, which the next conversion run removes). True only when the
// copy and its name are on the disk, so that its source may go.
bool CopyNoReplace(const std::string& from, const std::string& to);
// Gives a regular file a second name (a hard link), unless that name is taken,
// and flushes the name to the disk: a backup of a file that is replaced or
// removed right after, made without copying a byte. False where the file
// system has no hard links; the caller then copies.
bool LinkNoReplace(const std::string& from, const std::string& to);
// Renames a file or a folder; fails, changing nothing, when the target exists.
bool RenameNoReplace(const std::string& from, const std::string& to);
// Renames a file over an existing one (the last step of writing a file under a
// temporary name).
bool RenameReplace(const std::string& from, const std::string& to);
bool MakeFolder(const std::string& name);
// Removes a folder; only an empty one can be removed.
bool RemoveFolder(const std::string& name);
// Flushes a folder's entries (created, renamed, removed names) to the disk.
bool SyncFolder(const std::string& name);
// The names (not paths) of the entries of a folder ("" is the working
// folder) that match a pattern of '*' and '?' in any letter case, in name order.
std::vector<std::string> FindFiles(const std::string& folder, const std::string& pattern);
// The size of a file from its directory entry; -1 when it does not exist.
std::int64_t FileSize(const std::string& name);
// Busy test: 0 when the file may be opened (also when it does not exist),
// 1 when another process holds it open for writing.
int BusyTest(const std::string& name);

// The lock of the working (data) folder: one command at a time per folder,
// across processes and across the two programs. It is the lock file
// LANVO.LCK of the folder, held open with an exclusive lock (POSIX: an
// open-file-description lock; Windows: an open that shares nothing); it goes
// with the process, so a killed run never blocks the next, and the file is
// removed when the lock is released.
enum class FolderLock {
  kTaken,  // held by this process now
  kBusy,   // another process holds it
  kNone,   // no lock file can be made there (a read-only folder): nothing can
           // be written there either
};
FolderLock LockFolder();
void UnlockFolder();

// The system's temporary folder, ending in a separator (Windows: GetTempPath;
// POSIX: $TMPDIR, else /tmp). Empty when the system gives none.
std::string TempFolder();
// The current working folder, as the system spells it.
std::string CurrentFolder();
// Changes the working folder; false when it cannot.
bool ChangeFolder(const std::string& name);
// Free bytes of the file system that holds the given folder ("A:\" is drive
// A:); false when the system cannot say (no diskette, for instance).
bool FreeSpace(const std::string& root, std::uint64_t* bytes);

void SleepMs(int milliseconds);

struct LocalTime {
  int year, month, day, hour, minute, second, millisecond;
};
LocalTime Now();

// ---------------------------------------------------------------------------
// Why a file operation failed
//
// Every file service above that fails says why, the way errno and
// GetLastError() do, but with the file and the operation: the failure of the
// last file service called is kept in LastError() until the next failure
// replaces it. The code is the system's own (std::generic_category for an
// errno value, std::system_category for a Windows error code); a fault that a
// test injects fails as a full disk (a write) or an I/O error (anything else).

enum class FileOp;

struct Error {
  FileOp op{};
  std::string name;  // the file, as the core spells it; empty when unknown
  std::error_code code;
  explicit operator bool() const { return static_cast<bool>(code); }
};

// The cause of the last failure of a file service, and its forgetting.
const Error& LastError();
void ClearLastError();
// Used by the implementations: records a failure of op on name. An injected
// fault that is still pending gives its own code in place of code.
void NoteError(FileOp op, const std::string& name, std::error_code code);
// The cause in words, for the user: Portuguese for the causes that the
// program's messages meet most ("Espaço insuficiente no disco."), else the
// system's own text. One sentence, ending in a full stop.
std::string Describe(const std::error_code& code);
// The system's text for one of its own codes (std::system_category).
std::string SystemText(int code);

// ---------------------------------------------------------------------------
// Entries refused
//
// The data folder comes from customers' machines and archives, so every name,
// link and byte in it may be hostile. Both implementations resolve a name one
// component at a time from its base folder (the working folder, or a folder the
// user named) and:
// - never follow a symbolic link or reparse point, at any component, whether
//   it points outside the folder or inside it;
// - open only regular files, without ever waiting on one (a FIFO, a socket, a
//   device, a folder is refused);
// - never update in place, truncate or change the attributes of a file that
//   has more than one name (a hard link), as that would change the other name;
// - take a component that is "." or "..", or that holds a separator ("/", and
//   "\" or ":" on Windows) or a control character, for no name at all;
// - take two entries whose names differ only in letter case (possible on
//   POSIX) for a clash: neither is used.
// An entry so met is left untouched and recorded here. From the first link,
// special file or hard link on, nothing more is changed by this process:
// every operation that writes, deletes, renames or changes attributes fails,
// so that a run stops where it is and keeps everything. The command then
// names the entries in an error message (a bad name found in a listing is
// only passed over, and named too).
enum class Refusal {
  kLink,        // a symbolic link or reparse point
  kNotRegular,  // a FIFO, socket, device, or a folder where a file is wanted
  kHardLinks,   // a file with more than one name, to be changed in place
  kBadName,     // a name that is no plain name of its folder
  kCaseClash,   // two entries whose names differ only in letter case
  kNotFolder,   // something else where a folder is wanted
  kUnreadable,  // a folder whose names cannot be read or searched
};
struct RefusedEntry {
  std::string name;  // as the core spells it
  Refusal why;
};
// Records a refusal; the implementations call it. A kBadName refusal does not
// stop further changes; the others do.
void Refuse(const std::string& name, Refusal why);
// The refusals recorded since the last ClearRefusals(), each name once.
const std::vector<RefusedEntry>& RefusedEntries();
// True once a refusal that stops changes was recorded.
bool ChangesStopped();
void ClearRefusals();

// The name of a file built from bytes of a data file (code page 1252), in the
// spelling of the core's names: POSIX keeps the bytes as they are, Windows
// decodes them from code page 1252.
std::string NameFromData(std::string_view bytes);

// ---------------------------------------------------------------------------
// User interface as the core sees it

// Message box flags and answers; the values are those of the Windows API.
enum : unsigned {
  kOk = 0x0,
  kYesNo = 0x4,
  kIconError = 0x10,
  kIconQuestion = 0x20,
  kIconWarning = 0x30,
  kIconInformation = 0x40,
  kDefaultButton2 = 0x100,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

// A dialog: its items are read and set by id. The Windows layer wraps a real
// dialog; the console and the tests use a dialog that only holds texts.
class Dialog {
 public:
  virtual ~Dialog() = default;
  // Texts are UTF-8. An item the dialog lacks reads as empty.
  virtual std::string ItemText(int id) = 0;
  virtual void SetItemText(int id, std::string_view text) = 0;
  virtual bool HasItem(int id) = 0;
  virtual void LimitItemText(int id, int characters) = 0;
  // Gives the item the stock variable-pitch font (nothing on the console).
  virtual void SetItemFont(int id) = 0;
  // The title of the dialog's owner window, and the dialog's own caption.
  virtual std::string OwnerTitle() = 0;
  virtual void SetCaption(std::string_view text) = 0;
  virtual void End(int result) = 0;
  // Moves the focus to the next tab stop (WM_NEXTDLGCTL).
  virtual void NextTabStop() = 0;
  // Makes the dialog show what changed while a command runs.
  virtual void Repaint() = 0;
  // Called now and then while a command runs (see SetFileOpObserver): the
  // Windows dialog takes the messages that show it alive (its painting, what
  // the system and other programs send it) and drops the user's keys and
  // clicks, so that nothing is started or ended half-way. The console has
  // nothing to take.
  virtual void KeepAlive() {}
  // True when the status line shows how far a step of the conversion has got
  // ("Clientes (1/2) 45%"): the Windows dialog. The console's status line
  // keeps the step's name alone, which its trace and its tests read.
  virtual bool ShowsPercentages() const { return false; }
};

// Shows a message box owned by the given dialog, or by the active window when
// owner is null; returns the answer (kIdOk, kIdYes, kIdNo).
int ShowMessageBox(Dialog* owner, std::string_view text, std::string_view caption, unsigned flags);

// The wait cursor: ShowWaitCursor returns the cursor it replaced, which
// RestoreCursor puts back.
using Cursor = std::intptr_t;
Cursor ShowWaitCursor();
void RestoreCursor(Cursor previous);

// ---------------------------------------------------------------------------
// Test hooks (platform/common/hooks.cpp). Each entry, when set, replaces the
// system's answer; the implementations consult them first.

// The kinds of file operations. kLookup is every look at a name (Exists,
// IsFolder, IsReadOnly, FileSize, StampOf), kList the listing of a folder
// (FindFiles), kBusy the busy test.
enum class FileOp { kOpen, kRead, kWrite, kSize, kSync, kClose, kDelete, kCopy, kRename,
                    kMakeFolder, kRemoveFolder, kAttributes, kLookup, kList, kBusy };
constexpr int kFileOpKinds = 15;
// The name of a kind ("write"), for tests' reports.
const char* FileOpName(FileOp op);

struct Hooks {
  // Answers every message box instead of the system.
  std::function<int(Dialog*, std::string_view, std::string_view, unsigned)> message_box;
  // The local time.
  std::function<LocalTime()> now;
  // The free space of a folder's file system.
  std::function<bool(const std::string&, std::uint64_t*)> free_space;
  // Called before every file operation that can change or read a file; false
  // makes the operation fail as a full disk or a dropped share would.
  std::function<bool(FileOp)> before_file_op;
};
Hooks& TestHooks();

// The system calls of the file services, by name ("pwrite", "fstatat",
// "CreateFileW", "FindFirstFileExW"): each implementation makes every system
// call through one table of its own, whose entries a test may replace, so
// that any call can be made to fail with any cause of the system's, also in
// the services that only look (Exists, FindFiles, FileSize, BusyTest). A
// replacement must have the type of the system's function, cast to
// SystemCall.
using SystemCall = void (*)();
// Replaces an entry; null puts the system's own back. False for an unknown name.
bool SetSystemCall(std::string_view name, SystemCall call);
// The entry now; null for an unknown name.
SystemCall GetSystemCall(std::string_view name);
// The name that follows name in the table ("" gives the first); "" after the last.
std::string_view NextSystemCall(std::string_view name);

// Fault injection for whole-program tests: counts the file operations and, at
// the n-th (counting from 1), fails it or ends the process at once without
// flushing anything, as a power cut would.
enum class FaultKind { kNone, kFail, kCrash };
void InjectFault(FaultKind kind, std::uint64_t at_operation);
std::uint64_t FileOperationCount();
// The kind of the operation that the injected fault failed; false while none
// has failed since InjectFault.
bool InjectedFailure(FileOp* op);

// Used by the implementations: true when the operation may go ahead.
bool FileOpAllowed(FileOp op);

// Called at the start of every file operation while set (null: none). Every
// step of a command reads or writes a file all the time, so this is where a
// long command keeps its dialog alive and shows how far it has got
// (ui/progress.hpp). The observer must not touch a file itself.
void SetFileOpObserver(void (*observer)());

}  // namespace plat
