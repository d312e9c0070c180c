#pragma once

// Shared helpers of the fuzz targets: a failed invariant prints what broke and
// aborts, so that libFuzzer (and the corpus replay under CTest) stops on it.

#include <QByteArray>
#include <QDir>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace corvinel::fuzz {

[[noreturn]] inline void fail(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
    std::abort();
}

#define FUZZ_CHECK(cond)                                                                                               \
    do {                                                                                                               \
        if (!(cond))                                                                                                   \
            ::corvinel::fuzz::fail(#cond, __FILE__, __LINE__);                                                         \
    } while (false)

// A scratch folder for the whole process (made on first use, removed at exit).
inline const QTemporaryDir& scratchDir()
{
    static const QTemporaryDir dir(QDir::tempPath() + QStringLiteral("/corvinel-fuzz-XXXXXX"));
    if (!dir.isValid())
        fail("cannot create a scratch folder", __FILE__, __LINE__);
    return dir;
}

inline QByteArray bytesOf(const uint8_t* data, size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

} // namespace corvinel::fuzz
