// Idle cost of the companion's window following a folder: FILES small data
// files in DATA, nothing changing, the processor time the window takes over
// SECONDS after it has settled. Each count in a fresh process.
//
//   bench_graph_idle QUELLMARK_GRAPH SECONDS FILES...

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using namespace Qt::StringLiterals;

namespace
{

// User and system time of a process in seconds, from /proc/PID/stat.
double cpuSeconds(pid_t pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    // Fields after the command name, which is in parentheses and may hold spaces.
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const double ticks = double(fields.value(11).toLongLong() + fields.value(12).toLongLong());
    return ticks / double(sysconf(_SC_CLK_TCK));
}

bool writeFolder(const QDir& data, int files)
{
    // Small files as the program writes them; names a day apart, the newest last.
    const QByteArray rows = "\"DATA\\QMK26_12_7_101500.csv\",\"26/12/7\",\"\",\"\",\"\",\"\"\r\n"
                            "0,\"10:15:00\",0,0,80,\"\"\r\n";
    for (int i = 0; i < files; ++i) {
        QFile file(data.filePath(u"QMK26_12_7_%1.csv"_s.arg(100000 + i)));
        if (!file.open(QIODevice::WriteOnly) || file.write(rows) != rows.size())
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: bench_graph_idle QUELLMARK_GRAPH SECONDS FILES...\n");
        return 2;
    }
    const QByteArray program = QFileInfo(args[1]).absoluteFilePath().toLocal8Bit();
    const double seconds = args[2].toDouble();
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::printf("| files in DATA | idle processor time, %% of a core |\n|---:|---:|\n");
    for (const QString& count : args.mid(3)) {
        QTemporaryDir dir;
        const QDir root(dir.path());
        if (!dir.isValid() || !root.mkpath(u"DATA"_s) ||
            !writeFolder(QDir(root.filePath(u"DATA"_s)), count.toInt()))
            return 1;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        const QByteArray cwd = root.path().toLocal8Bit();
        posix_spawn_file_actions_addchdir_np(&actions, cwd.constData());
        QByteArray name = program;
        char* childArgv[] = {name.data(), nullptr};
        pid_t pid = -1;
        const int spawned =
            posix_spawn(&pid, program.constData(), &actions, nullptr, childArgv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            return 1;
        QThread::msleep(3000); // start-up and the first reading of the newest file
        const double before = cpuSeconds(pid);
        const qint64 startNs = Bench::steadyNs();
        QThread::msleep(static_cast<unsigned long>(seconds * 1000));
        const double used = cpuSeconds(pid) - before;
        const double wall = double(Bench::steadyNs() - startNs) / 1e9;
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        std::printf("| %s | %.2f |\n", qPrintable(count), 100.0 * used / wall);
        std::fflush(stdout);
    }
    return 0;
}
