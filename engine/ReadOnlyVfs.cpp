#include "ReadOnlyVfs.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <memory>

#include "PageSource.h"

namespace engine {

namespace {

struct DatabaseFile {
  sqlite3_file base;  // first: SQLite hands this pointer around as a sqlite3_file
  PageSource* source;
};

PageSource& sourceOf(sqlite3_file* file) { return *reinterpret_cast<DatabaseFile*>(file)->source; }

int fileClose(sqlite3_file* /*file*/) { return SQLITE_OK; }

int fileRead(sqlite3_file* file, void* dst, int amount, sqlite3_int64 offset) {
  if (amount < 0 || offset < 0) return SQLITE_IOERR_READ;
  const size_t got = sourceOf(file).readCurrent(static_cast<uint64_t>(offset), static_cast<uint8_t*>(dst),
                                                static_cast<size_t>(amount));
  if (got == static_cast<size_t>(amount)) return SQLITE_OK;
  std::memset(static_cast<uint8_t*>(dst) + got, 0, static_cast<size_t>(amount) - got);
  return SQLITE_IOERR_SHORT_READ;
}

int fileWrite(sqlite3_file*, const void*, int, sqlite3_int64) { return SQLITE_READONLY; }
int fileTruncate(sqlite3_file*, sqlite3_int64) { return SQLITE_READONLY; }
int fileSync(sqlite3_file*, int) { return SQLITE_OK; }

int fileSize(sqlite3_file* file, sqlite3_int64* size) {
  *size = static_cast<sqlite3_int64>(sourceOf(file).currentFileSize());
  return SQLITE_OK;
}

// Nothing else can write these bytes: every lock is granted, none is ever held.
int fileLock(sqlite3_file*, int) { return SQLITE_OK; }
int fileUnlock(sqlite3_file*, int) { return SQLITE_OK; }
int fileCheckReservedLock(sqlite3_file*, int* reserved) {
  *reserved = 0;
  return SQLITE_OK;
}
int fileControl(sqlite3_file*, int, void*) { return SQLITE_NOTFOUND; }
int fileSectorSize(sqlite3_file*) { return 4096; }
// Immutable: SQLite then neither looks for a hot journal nor takes locks.
int fileDeviceCharacteristics(sqlite3_file*) { return SQLITE_IOCAP_IMMUTABLE; }

sqlite3_io_methods fileMethods() {
  sqlite3_io_methods methods{};
  methods.iVersion = 1;
  methods.xClose = fileClose;
  methods.xRead = fileRead;
  methods.xWrite = fileWrite;
  methods.xTruncate = fileTruncate;
  methods.xSync = fileSync;
  methods.xFileSize = fileSize;
  methods.xLock = fileLock;
  methods.xUnlock = fileUnlock;
  methods.xCheckReservedLock = fileCheckReservedLock;
  methods.xFileControl = fileControl;
  methods.xSectorSize = fileSectorSize;
  methods.xDeviceCharacteristics = fileDeviceCharacteristics;
  return methods;
}

const sqlite3_io_methods kFileMethods = fileMethods();

sqlite3_vfs* baseVfs() { return sqlite3_vfs_find(nullptr); }

int vfsOpen(sqlite3_vfs* vfs, const char* /*name*/, sqlite3_file* file, int flags, int* outFlags) {
  file->pMethods = nullptr;
  // Only the main database exists here; a journal, log or temporary file cannot be made.
  if ((flags & SQLITE_OPEN_MAIN_DB) == 0 || (flags & (SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) != 0) {
    return SQLITE_CANTOPEN;
  }
  auto* database = reinterpret_cast<DatabaseFile*>(file);
  database->source = &static_cast<ReadOnlyVfs*>(vfs->pAppData)->source();
  file->pMethods = &kFileMethods;
  if (outFlags != nullptr) *outFlags = SQLITE_OPEN_READONLY | SQLITE_OPEN_MAIN_DB;
  return SQLITE_OK;
}

int vfsDelete(sqlite3_vfs*, const char*, int) { return SQLITE_IOERR_DELETE; }

int vfsAccess(sqlite3_vfs*, const char*, int, int* result) {
  *result = 0;  // no journal, log or shared-memory file beside the database
  return SQLITE_OK;
}

int vfsFullPathname(sqlite3_vfs*, const char* name, int size, char* out) {
  std::snprintf(out, static_cast<size_t>(size), "%s", name);
  return SQLITE_OK;
}

int vfsRandomness(sqlite3_vfs*, int n, char* out) { return baseVfs()->xRandomness(baseVfs(), n, out); }
int vfsSleep(sqlite3_vfs*, int microseconds) { return baseVfs()->xSleep(baseVfs(), microseconds); }
int vfsCurrentTime(sqlite3_vfs*, double* now) { return baseVfs()->xCurrentTime(baseVfs(), now); }
int vfsGetLastError(sqlite3_vfs*, int, char*) { return 0; }

}  // namespace

ReadOnlyVfs::ReadOnlyVfs(PageSource& source) : source_(source) {
  char name[48];
  std::snprintf(name, sizeof name, "retrievo-readonly-%p", static_cast<void*>(this));
  name_ = name;
  vfs_ = std::make_unique<sqlite3_vfs>();
  vfs_->iVersion = 1;
  vfs_->szOsFile = sizeof(DatabaseFile);
  vfs_->mxPathname = 512;
  vfs_->zName = name_.c_str();
  vfs_->pAppData = this;
  vfs_->xOpen = vfsOpen;
  vfs_->xDelete = vfsDelete;
  vfs_->xAccess = vfsAccess;
  vfs_->xFullPathname = vfsFullPathname;
  vfs_->xRandomness = vfsRandomness;
  vfs_->xSleep = vfsSleep;
  vfs_->xCurrentTime = vfsCurrentTime;
  vfs_->xGetLastError = vfsGetLastError;
  registered_ = sqlite3_vfs_register(vfs_.get(), 0) == SQLITE_OK;
}

ReadOnlyVfs::~ReadOnlyVfs() {
  if (registered_) sqlite3_vfs_unregister(vfs_.get());
}

sqlite3* ReadOnlyVfs::open() {
  if (!registered_ || !source_.valid()) return nullptr;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2("database", &db, SQLITE_OPEN_READONLY, name_.c_str()) != SQLITE_OK) {
    sqlite3_close(db);
    return nullptr;
  }
  sqlite3_exec(db, "PRAGMA temp_store=MEMORY", nullptr, nullptr, nullptr);
  return db;
}

}  // namespace engine
