// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sqlite3.h>
#include <atomic>
#include <cstring>

// A SQLite VFS over the default one whose writes can be made to fail, as on a full
// disk or a read-only medium. Installed as the default VFS while an instance lives.
class FailingVfs {
public:
    FailingVfs()
    {
        s_real = sqlite3_vfs_find(nullptr);
        m_vfs = *s_real;
        m_vfs.zName = "kelvor-failing";
        m_vfs.szOsFile = int(sizeof(File)) + s_real->szOsFile;
        m_vfs.xOpen = open;
        sqlite3_vfs_register(&m_vfs, 1);
    }
    ~FailingVfs()
    {
        sqlite3_vfs_unregister(&m_vfs);
        sqlite3_vfs_register(s_real, 1);
        s_failWith = 0;
    }
    // 0 lets writes through; SQLITE_FULL, SQLITE_IOERR_WRITE, ... fail every write.
    static void failWritesWith(int code) { s_failWith = code; }

private:
    struct File {
        sqlite3_file base;
        sqlite3_file* real;
    };
    static sqlite3_file* real(sqlite3_file* f) { return reinterpret_cast<File*>(f)->real; }

    static int open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
    {
        File* file = reinterpret_cast<File*>(f);
        file->real = reinterpret_cast<sqlite3_file*>(file + 1);
        const int rc = s_real->xOpen(s_real, name, file->real, flags, outFlags);
        file->base.pMethods = rc == SQLITE_OK && file->real->pMethods ? &s_methods : nullptr;
        return rc;
    }
    static int close(sqlite3_file* f) { return real(f)->pMethods->xClose(real(f)); }
    static int read(sqlite3_file* f, void* b, int n, sqlite3_int64 o)
    {
        return real(f)->pMethods->xRead(real(f), b, n, o);
    }
    static int write(sqlite3_file* f, const void* b, int n, sqlite3_int64 o)
    {
        if (s_failWith)
            return s_failWith;
        return real(f)->pMethods->xWrite(real(f), b, n, o);
    }
    static int truncate(sqlite3_file* f, sqlite3_int64 n)
    {
        const int code = s_failWith;
        return code ? code : real(f)->pMethods->xTruncate(real(f), n);
    }
    static int sync(sqlite3_file* f, int fl) { return real(f)->pMethods->xSync(real(f), fl); }
    static int size(sqlite3_file* f, sqlite3_int64* n) { return real(f)->pMethods->xFileSize(real(f), n); }
    static int lock(sqlite3_file* f, int l) { return real(f)->pMethods->xLock(real(f), l); }
    static int unlock(sqlite3_file* f, int l) { return real(f)->pMethods->xUnlock(real(f), l); }
    static int checkLock(sqlite3_file* f, int* r) { return real(f)->pMethods->xCheckReservedLock(real(f), r); }
    static int control(sqlite3_file* f, int op, void* a) { return real(f)->pMethods->xFileControl(real(f), op, a); }
    static int sector(sqlite3_file* f) { return real(f)->pMethods->xSectorSize(real(f)); }
    static int caps(sqlite3_file* f) { return real(f)->pMethods->xDeviceCharacteristics(real(f)); }
    static int shmMap(sqlite3_file* f, int i, int sz, int ext, void volatile** p)
    {
        return real(f)->pMethods->xShmMap(real(f), i, sz, ext, p);
    }
    static int shmLock(sqlite3_file* f, int o, int n, int fl) { return real(f)->pMethods->xShmLock(real(f), o, n, fl); }
    static void shmBarrier(sqlite3_file* f) { real(f)->pMethods->xShmBarrier(real(f)); }
    static int shmUnmap(sqlite3_file* f, int d) { return real(f)->pMethods->xShmUnmap(real(f), d); }
    // No memory-mapped reads: every page goes through read() above.
    static int fetch(sqlite3_file*, sqlite3_int64, int, void** p)
    {
        *p = nullptr;
        return SQLITE_OK;
    }
    static int unfetch(sqlite3_file*, sqlite3_int64, void*) { return SQLITE_OK; }

    static inline sqlite3_vfs* s_real = nullptr;
    static inline std::atomic<int> s_failWith{0};
    static inline const sqlite3_io_methods s_methods = {3,       close,      read,      write,   truncate, sync, size,
                                                        lock,    unlock,     checkLock, control, sector,   caps, shmMap,
                                                        shmLock, shmBarrier, shmUnmap,  fetch,   unfetch};
    sqlite3_vfs m_vfs{};
};
