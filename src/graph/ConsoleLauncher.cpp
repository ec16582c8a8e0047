// quellmark-graph.com, beside quellmark-graph.exe on Windows. The companion
// is a window program, and cmd does not wait for one: its --report output
// would come after the next prompt and its exit status would be lost. cmd
// prefers .com to .exe when a name is typed without its extension, so this
// console program is what runs: it starts the window program beside it with
// the same arguments and the same standard handles, waits for it, and ends
// with its exit status.
#include <windows.h>

#include <string>

namespace
{

// The command line without the program's own name, as Windows split it:
// quoted, or up to the first blank.
const wchar_t* argumentsOf(const wchar_t* line)
{
    if (*line == L'"') {
        ++line;
        while (*line && *line != L'"')
            ++line;
        if (*line)
            ++line;
    } else {
        while (*line && *line != L' ' && *line != L'\t')
            ++line;
    }
    return line;
}

} // namespace

int main()
{
    std::wstring program(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, program.data(), DWORD(program.size()));
        if (length == 0)
            return 2;
        if (length < program.size()) {
            program.resize(length);
            break;
        }
        program.resize(program.size() * 2);
    }
    const std::wstring::size_type dot = program.find_last_of(L'.');
    program = program.substr(0, dot) + L".exe";
    std::wstring command = L"\"" + program + L"\"" + argumentsOf(GetCommandLineW());

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION child{};
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &child)) {
        const char message[] = "quellmark-graph: quellmark-graph.exe を起動できません\r\n";
        DWORD written = 0;
        WriteFile(startup.hStdError, message, sizeof message - 1, &written, nullptr);
        return 2;
    }
    // Ctrl+C reaches the companion through the console it shares; the
    // launcher stays until it has gone, so that cmd's prompt comes after.
    SetConsoleCtrlHandler(nullptr, TRUE);
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD status = 2;
    GetExitCodeProcess(child.hProcess, &status);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return int(status);
}
