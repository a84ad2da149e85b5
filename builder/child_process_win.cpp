#include "builder/child_process.h"

#include <windows.h>

#include "common/error.h"
#include "common/win/unique.h"
#include "common/win/win32_error.h"

namespace orlscr::mkscr {

namespace {

std::wstring WideText(const std::string& text) {
    std::wstring wide(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                      static_cast<int>(wide.size()));
    wide.resize(n > 0 ? n : 0);
    return wide;
}

// One argument as the C runtime's command-line parser reads it back.
void AppendQuoted(std::wstring& line, const std::wstring& argument) {
    if (!line.empty())
        line += L' ';
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
        line += argument;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        line.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(2 * backslashes, L'\\');
    line += L'"';
}

void KeepTail(std::string& output, const char* data, size_t size) {
    output.append(data, size);
    if (output.size() > kMaxChildOutput)
        output.erase(0, output.size() - kMaxChildOutput);
}

// Reads what the pipe holds now, without waiting. False once it is closed.
bool Drain(HANDLE pipe, std::string& output) {
    for (;;) {
        DWORD available = 0;
        if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr))
            return false;
        if (available == 0)
            return true;
        char buffer[4096];
        DWORD n = 0;
        if (!ReadFile(pipe, buffer, std::min<DWORD>(available, sizeof buffer), &n, nullptr) || n == 0)
            return false;
        KeepTail(output, buffer, n);
    }
}

}  // namespace

// Windows ends a console program on Ctrl+C itself, with its job.
void StopSignalError::RaiseAgain() const {}

ChildOutcome RunChildProcess(const std::vector<std::string>& command, std::chrono::milliseconds limit) {
    if (command.empty())
        throw Error("no program to run");
    std::wstring line;
    for (const std::string& argument : command)
        AppendQuoted(line, WideText(argument));

    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        throw Win32Error("cannot start " + command[0]);
    UniqueHandle reader(readEnd), writer(writeEnd);
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    UniqueHandle input(
        CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, OPEN_EXISTING, 0, nullptr));

    // Everything the program starts is in the job and ends with it.
    UniqueHandle job(CreateJobObjectW(nullptr, nullptr));
    if (!job)
        throw Win32Error("cannot start " + command[0]);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = writer.get();
    startup.hStdError = writer.get();
    PROCESS_INFORMATION process{};
    const std::wstring program = WideText(command[0]);
    if (!CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW | CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &process))
        throw Win32Error("cannot start " + command[0]);
    UniqueHandle processHandle(process.hProcess), thread(process.hThread);
    AssignProcessToJobObject(job.get(), processHandle.get());
    ResumeThread(thread.get());
    writer.reset();

    ChildOutcome outcome;
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(limit.count());
    bool exited = false;
    bool open = true;
    while (!exited || open) {
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            outcome.timedOut = !exited;
            break;
        }
        if (!exited && WaitForSingleObject(processHandle.get(), 50) == WAIT_OBJECT_0) {
            exited = true;
            // Whatever it started and left running goes with it.
            TerminateJobObject(job.get(), 1);
        }
        if (open)
            open = Drain(reader.get(), outcome.output);
        if (exited)
            Sleep(10);  // for the last of the output, without spinning
    }
    TerminateJobObject(job.get(), 1);
    WaitForSingleObject(processHandle.get(), 5000);
    DWORD code = 0;
    if (!outcome.timedOut && GetExitCodeProcess(processHandle.get(), &code))
        outcome.exitCode = static_cast<int>(code);
    return outcome;
}

}  // namespace orlscr::mkscr
