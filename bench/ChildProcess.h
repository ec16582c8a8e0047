#pragma once

// Runs another program to its end and reports its wall time and its peak
// resident memory as the kernel counted it (ru_maxrss, the child's VmHWM).
// Linux (glibc) only, like the rest of the benchmarks' use of /proc.

#include "BenchSupport.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

extern char** environ;

namespace Bench
{

struct ChildRun {
    bool ok = false; // started and exited with status 0
    int status = -1;
    double wallMs = 0.0;
    qint64 peakRssKb = 0;
};

// Standard output and error go to /dev/null unless `keepOutput`.
inline ChildRun runChild(const QString& program, const QStringList& arguments,
                         const QString& workingDir = {}, bool keepOutput = false)
{
    QList<QByteArray> storage;
    storage.append(program.toLocal8Bit());
    for (const QString& a : arguments)
        storage.append(a.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!keepOutput) {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    const QByteArray dir = workingDir.toLocal8Bit();
    if (!dir.isEmpty())
        posix_spawn_file_actions_addchdir_np(&actions, dir.constData());
    ChildRun run;
    const qint64 startNs = steadyNs();
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return run;
    int status = 0;
    struct rusage usage {
    };
    if (wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.wallMs = double(steadyNs() - startNs) / 1e6;
    run.peakRssKb = usage.ru_maxrss;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.ok = run.status == 0;
    return run;
}

} // namespace Bench
