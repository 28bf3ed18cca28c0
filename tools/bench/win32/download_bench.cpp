// The manager's download of one large file from the local test server, under
// Wine. Prints figures; not a test.
//
//   download_bench.exe run --manager EXE --launcher PATH --url URL --source FILE
//       --results FILE --label TEXT [--run N] [--game-id N] [--curl SECONDS]
//       [--server-pid N] [--wineserver-pid N] [--xserver-pid N] [--server-log FILE]
//       [--clock-ticks N]
//   download_bench.exe summary --results FILE --label TEXT
//   download_bench.exe wininet --url URL --block N [--write FILE] [--post 1] [--bytes N]
//       [--server-pid N] [--wineserver-pid N] [--clock-ticks N]
//
// "run" starts the manager, asks it for the file with WM_COPYDATA as another
// program does, waits until the finished file has the source's size, ends the
// manager and compares the file with the source byte for byte. Each run
// starts from an empty Download folder (a partial file would be resumed). The
// phases of the transfer come from the server's request log and the size of
// the partial file.
//   With --game-id the window is shown, so the progress bar is painted. The
// run prints the wall time and throughput (against curl's time for the same
// file, measured by the caller); the processor time of the manager's threads
// (GetThreadTimes) and, from /proc, of the test server, the wineserver and
// the X server; how the busy threads were scheduled (/proc schedstat); the
// user-interface thread's share of the wall time; and the round trip of
// WM_NULL sent every 50 ms. The Linux figures are read through Wine's Z:
// drive.
//   Without it the manager stays hidden: its private bytes before the
// download, when the file is finished and 3 s later.
//
// "summary" prints the medians of the shown runs recorded under one label.
//
// "wininet" reads the file with WinInet in this program, the way the manager's
// download thread does (same flags, one buffer of N bytes, each block written
// to FILE when given) but without the manager's progress messages: what
// WinInet under Wine allows at that block size. With --post 1 each block also
// posts a progress message, one outstanding at a time as the manager does, to
// a window of another thread that does nothing with it: the cost of the
// messages alone, without any painting. With --bytes it stops early and
// times the closing of the request, which reads the rest of the answer.
#include <windows.h>
#include <psapi.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <wininet.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <map>
#include <string>
#include <vector>

#include "process_figures.h"

namespace {

constexpr wchar_t kWindowClass[] = L"ZarnWrapperWindow";
constexpr DWORD kPingPeriodMs = 50;
constexpr DWORD kPollMs = 5;
constexpr double kTransferTimeoutMs = 600000;

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

double Ms(FILETIME t) {
  return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t n = values.size();
  return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The smallest value that at least `share` of the values do not exceed.
double Percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t rank = static_cast<size_t>(std::ceil(share * static_cast<double>(values.size())));
  return values[rank == 0 ? 0 : rank - 1];
}

// Milliseconds between two readings in seconds; -1 when either is missing.
double Delta(double before, double after) { return before >= 0 && after >= 0 ? (after - before) * 1000 : -1; }

// "123 ms", or "n/a" for a figure that could not be measured (negative).
std::string MsText(double ms) {
  char text[32];
  if (ms < 0) return "n/a";
  std::snprintf(text, sizeof text, "%.0f ms", ms);
  return text;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += static_cast<char>(c < 128 ? c : '?');
  return out;
}

// --- options ---

struct Options {
  std::wstring mode, manager, launcher, url, source, results, label, serverLog;
  std::wstring gameId, write;
  int run = 0;
  DWORD block = 4096;
  bool post = false;
  ULONGLONG bytes = 0;  // 0: the whole file
  double curlSeconds = 0;
  int serverPid = 0, wineserverPid = 0, xserverPid = 0, clockTicks = 100;
};

bool ReadOptions(int argc, wchar_t** argv, Options* options) {
  if (argc < 2) return false;
  options->mode = argv[1];
  for (int i = 2; i + 1 < argc; i += 2) {
    std::wstring name = argv[i], value = argv[i + 1];
    if (name == L"--manager") options->manager = value;
    else if (name == L"--launcher") options->launcher = value;
    else if (name == L"--url") options->url = value;
    else if (name == L"--source") options->source = value;
    else if (name == L"--results") options->results = value;
    else if (name == L"--label") options->label = value;
    else if (name == L"--run") options->run = _wtoi(value.c_str());
    else if (name == L"--game-id") options->gameId = value;
    else if (name == L"--curl") options->curlSeconds = _wtof(value.c_str());
    else if (name == L"--server-pid") options->serverPid = _wtoi(value.c_str());
    else if (name == L"--wineserver-pid") options->wineserverPid = _wtoi(value.c_str());
    else if (name == L"--xserver-pid") options->xserverPid = _wtoi(value.c_str());
    else if (name == L"--server-log") options->serverLog = value;
    else if (name == L"--block") options->block = static_cast<DWORD>(std::max(1, _wtoi(value.c_str())));
    else if (name == L"--write") options->write = value;
    else if (name == L"--post") options->post = value == L"1";
    else if (name == L"--bytes") options->bytes = static_cast<ULONGLONG>(_wtoi64(value.c_str()));
    else if (name == L"--clock-ticks") options->clockTicks = std::max(1, _wtoi(value.c_str()));
    else return false;
  }
  if (options->mode == L"summary") return !options->results.empty() && !options->label.empty();
  if (options->mode == L"wininet") return !options->url.empty();
  return options->mode == L"run" && !options->manager.empty() && !options->launcher.empty() &&
         !options->url.empty() && !options->source.empty() && !options->results.empty() && !options->label.empty();
}

// --- files ---

bool FileSize(const std::wstring& path, ULONGLONG* size) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return false;
  *size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  return true;
}

// The manager's Download folder: "ZarnSoft\Download" in the local application
// data, where it keeps partial and finished files.
std::wstring DownloadFolder() {
  wchar_t appData[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData);
  return std::wstring(appData) + L"\\ZarnSoft\\Download";
}

void DeleteFolderFiles(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        DeleteFileW((folder + L"\\" + found.cFileName).c_str());
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(folder.c_str());
}

// Byte-for-byte comparison of two files.
bool SameBytes(const std::wstring& a, const std::wstring& b) {
  HANDLE fa = CreateFileW(a.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  HANDLE fb = CreateFileW(b.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  bool same = fa != INVALID_HANDLE_VALUE && fb != INVALID_HANDLE_VALUE;
  std::vector<char> bufferA(4 << 20), bufferB(4 << 20);
  while (same) {
    DWORD readA = 0, readB = 0;
    if (!ReadFile(fa, bufferA.data(), static_cast<DWORD>(bufferA.size()), &readA, nullptr) ||
        !ReadFile(fb, bufferB.data(), static_cast<DWORD>(bufferB.size()), &readB, nullptr) || readA != readB ||
        std::memcmp(bufferA.data(), bufferB.data(), readA) != 0) {
      same = false;
    }
    if (readA == 0) break;
  }
  if (fa != INVALID_HANDLE_VALUE) CloseHandle(fa);
  if (fb != INVALID_HANDLE_VALUE) CloseHandle(fb);
  return same;
}

// The text of a Linux /proc file, read through Wine's Z: drive ("" when it
// cannot be read). Such files report no size: they are read to their end.
std::string ProcText(const std::wstring& unixPath) {
  std::wstring path = L"Z:" + unixPath;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) text.append(buffer, read);
  CloseHandle(file);
  return text;
}

// User + system processor ticks (-1 when unreadable) and the nice value from
// a /proc stat line. The command name may hold spaces: fields are counted
// after its ')'.
struct StatLine {
  double ticks = -1;
  long nice = 0;
};

StatLine ParseStat(const std::string& stat) {
  StatLine line;
  size_t close = stat.rfind(')');
  unsigned long long utime = 0, stime = 0;
  long priority = 0, nice = 0;
  if (close != std::string::npos &&
      std::sscanf(stat.c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu %*d %*d %ld %ld",
                  &utime, &stime, &priority, &nice) == 4) {
    line.ticks = static_cast<double>(utime + stime);
    line.nice = nice;
  }
  return line;
}

// Processor seconds (user + system) of a Linux process; -1 when it cannot be
// read. For a process the file sums all its threads.
double LinuxCpuSeconds(int pid, int clockTicks) {
  if (pid <= 0) return -1;
  double ticks = ParseStat(ProcText(L"/proc/" + std::to_wstring(pid) + L"/stat")).ticks;
  return ticks < 0 ? -1 : ticks / clockTicks;
}

// The machine's processor time so far, all cores: busy and idle jiffies from
// the first line of /proc/stat.
struct MachineTime {
  double busy = 0, idle = 0;
};

MachineTime ReadMachineTime() {
  MachineTime time;
  unsigned long long v[8] = {};
  if (std::sscanf(ProcText(L"/proc/stat").c_str(), "cpu %llu %llu %llu %llu %llu %llu %llu %llu", &v[0], &v[1], &v[2],
                  &v[3], &v[4], &v[5], &v[6], &v[7]) == 8) {
    time.idle = static_cast<double>(v[3] + v[4]);
    time.busy = static_cast<double>(v[0] + v[1] + v[2] + v[5] + v[6] + v[7]);
  }
  return time;
}

double BusyPercent(const MachineTime& before, const MachineTime& after) {
  double busy = after.busy - before.busy;
  double all = busy + after.idle - before.idle;
  return all > 0 ? busy * 100 / all : -1;
}

// One Linux thread's scheduling: its processor time, the time it was ready to
// run but waited for a processor (schedstat), and its context switches.
struct LinuxTask {
  double cpuMs = 0;   // user + system, from stat (what Wine's GetThreadTimes reads)
  double runMs = 0;   // on a processor, from schedstat
  double waitMs = 0;  // ready, waiting on a run queue
  long long voluntary = 0, involuntary = 0;
  long nice = 0;
};

// The number of a "name:\tvalue" line of a /proc status file; 0 when absent.
long long StatusNumber(const std::string& status, const std::string& name) {
  std::string key = "\n" + name + ":";
  size_t at = status.find(key);
  return at == std::string::npos ? 0 : std::atoll(status.c_str() + at + key.size());
}

std::map<int, LinuxTask> ReadLinuxTasks(int pid, int clockTicks) {
  std::map<int, LinuxTask> tasks;
  if (pid <= 0) return tasks;
  std::wstring folder = L"/proc/" + std::to_wstring(pid) + L"/task";
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((L"Z:\\proc\\" + std::to_wstring(pid) + L"\\task\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return tasks;
  do {
    int tid = _wtoi(found.cFileName);
    if (tid <= 0) continue;
    std::wstring base = folder + L"/" + found.cFileName;
    LinuxTask task;
    StatLine stat = ParseStat(ProcText(base + L"/stat"));
    task.cpuMs = stat.ticks * 1000 / clockTicks;
    task.nice = stat.nice;
    unsigned long long run = 0, wait = 0;
    std::sscanf(ProcText(base + L"/schedstat").c_str(), "%llu %llu", &run, &wait);
    task.runMs = run / 1e6;
    task.waitMs = wait / 1e6;
    std::string status = ProcText(base + L"/status");
    task.voluntary = StatusNumber(status, "voluntary_ctxt_switches");
    task.involuntary = StatusNumber(status, "nonvoluntary_ctxt_switches");
    tasks[tid] = task;
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return tasks;
}

// The Linux process id of a Wine process, found by its first argument, which
// Wine shows as the program's Windows path; 0 when none matches.
int FindLinuxPid(const std::wstring& program) {
  std::string wanted = Narrow(program);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(L"Z:\\proc\\*", &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  int pid = 0;
  do {
    int candidate = _wtoi(found.cFileName);
    if (candidate <= 0) continue;
    std::string line = ProcText(L"/proc/" + std::to_wstring(candidate) + L"/cmdline");
    std::string first = line.substr(0, line.find('\0'));
    if (!first.empty() && _stricmp(first.c_str(), wanted.c_str()) == 0) pid = candidate;
  } while (pid == 0 && FindNextFileW(search, &found));
  FindClose(search);
  return pid;
}

// Counts requests for one path in the server's request log, read as it grows.
struct LogWatch {
  HANDLE file = INVALID_HANDLE_VALUE;
  std::string marker;  // ">>> GET /path "
  std::string tail;    // the end of the last read, where a marker may start
  int count = 0;
};

void OpenLogWatch(const std::wstring& path, const std::string& urlPath, LogWatch* watch) {
  watch->marker = ">>> GET " + urlPath + " ";
  if (path.empty()) return;
  watch->file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
  if (watch->file != INVALID_HANDLE_VALUE) SetFilePointer(watch->file, 0, nullptr, FILE_END);
}

// Reads what was appended since the last call; the number of new requests.
int PollLog(LogWatch* watch) {
  if (watch->file == INVALID_HANDLE_VALUE) return 0;
  int found = 0;
  char buffer[8192];
  DWORD read = 0;
  while (ReadFile(watch->file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
    std::string text = watch->tail + std::string(buffer, read);
    for (size_t at = text.find(watch->marker); at != std::string::npos; at = text.find(watch->marker, at + 1)) ++found;
    size_t keep = std::min(text.size(), watch->marker.size() - 1);
    watch->tail = text.substr(text.size() - keep);
  }
  watch->count += found;
  return found;
}

void CloseLogWatch(LogWatch* watch) {
  if (watch->file != INVALID_HANDLE_VALUE) CloseHandle(watch->file);
  watch->file = INVALID_HANDLE_VALUE;
}

// --- the manager's process ---

struct Manager {
  PROCESS_INFORMATION info = {};
  HWND window = nullptr;
};

struct WindowSearch {
  DWORD process;
  HWND window;
};

BOOL CALLBACK FindMainWindow(HWND window, LPARAM parameter) {
  auto* search = reinterpret_cast<WindowSearch*>(parameter);
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  if (id == search->process && std::wcscmp(name, kWindowClass) == 0) {
    search->window = window;
    return FALSE;
  }
  return TRUE;
}

// Starts the manager and waits until its main window exists (shown, when a
// game id is given) and answers messages.
bool StartManager(const Options& options, Manager* manager) {
  std::wstring line = L"\"" + options.manager + L"\" \"" + options.launcher + L"\"";
  if (!options.gameId.empty()) line += L" " + options.gameId;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessW(options.manager.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &manager->info)) {
    return false;
  }
  double start = Now();
  while (Now() - start < 30000) {
    WindowSearch search = {manager->info.dwProcessId, nullptr};
    EnumWindows(FindMainWindow, reinterpret_cast<LPARAM>(&search));
    DWORD_PTR result = 0;
    if (search.window != nullptr && (options.gameId.empty() || IsWindowVisible(search.window)) &&
        SendMessageTimeoutW(search.window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result) != 0) {
      manager->window = search.window;
      return true;
    }
    Sleep(10);
  }
  return false;
}

// Asks the manager to end with its registered exit request; ends it by force
// when it is still running after 10 s. False when it had to be forced.
bool EndManager(Manager* manager) {
  if (manager->info.hProcess == nullptr) return true;
  UINT exitRequest = RegisterWindowMessageW(L"WM_NEED_TO_RESELECT_GAME_ZARNSOFT");
  if (manager->window != nullptr) PostMessageW(manager->window, exitRequest, 0, 0);
  bool ended = WaitForSingleObject(manager->info.hProcess, 10000) == WAIT_OBJECT_0;
  if (!ended) {
    TerminateProcess(manager->info.hProcess, 1);
    WaitForSingleObject(manager->info.hProcess, 5000);
  }
  CloseHandle(manager->info.hThread);
  CloseHandle(manager->info.hProcess);
  manager->info = {};
  return ended;
}

// The download request of another program: WM_COPYDATA whose dwData is the
// registered message and whose data is the ANSI address with its NUL.
bool SendDownload(HWND window, const std::string& address) {
  COPYDATASTRUCT data = {};
  data.dwData = RegisterWindowMessageW(L"WM_NEED_TO_DOWNLOAD_GAME");
  data.cbData = static_cast<DWORD>(address.size() + 1);
  data.lpData = const_cast<char*>(address.c_str());
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_NORMAL, 10000,
                             &result) != 0 &&
         result != 0;
}

double ProcessCpuMs(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  return Ms(kernel) + Ms(user);
}


struct Memory {
  double reportedMb;  // PROCESS_MEMORY_COUNTERS_EX.PrivateUsage
  double regionsMb;   // committed private regions
  double workingSetMb;
};

Memory MemoryOf(HANDLE process) {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
  return {counters.PrivateUsage / 1048576.0, PrivateRegionsMb(process), counters.WorkingSetSize / 1048576.0};
}

// --- the manager's threads ---

struct ThreadSample {
  HANDLE handle = nullptr;
  double userMs = 0, kernelMs = 0;  // at the first sample (0 for a thread born later)
  double userNowMs = 0, kernelNowMs = 0;
  int priority = THREAD_PRIORITY_ERROR_RETURN;  // while the transfer runs
};

using Threads = std::map<DWORD, ThreadSample>;

void ReadThreadTimes(ThreadSample* sample) {
  FILETIME created, exited, kernel, user;
  if (GetThreadTimes(sample->handle, &created, &exited, &kernel, &user)) {
    sample->userNowMs = Ms(user);
    sample->kernelNowMs = Ms(kernel);
  }
}

// Opens the threads of the process not yet in `threads`; with `baseline`,
// their current times are the starting point, otherwise zero (born since).
void SampleThreads(DWORD process, bool baseline, Threads* threads) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return;
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
    if (entry.th32OwnerProcessID != process || threads->count(entry.th32ThreadID) != 0) continue;
    ThreadSample sample;
    sample.handle = OpenThread(THREAD_QUERY_INFORMATION, FALSE, entry.th32ThreadID);
    if (sample.handle == nullptr) continue;
    ReadThreadTimes(&sample);
    if (baseline) {
      sample.userMs = sample.userNowMs;
      sample.kernelMs = sample.kernelNowMs;
    }
    (*threads)[entry.th32ThreadID] = sample;
  }
  CloseHandle(snapshot);
}

void UpdateThreads(DWORD process, Threads* threads) {
  SampleThreads(process, false, threads);
  for (auto& entry : *threads) ReadThreadTimes(&entry.second);
}

void ReadPriorities(DWORD process, Threads* threads) {
  SampleThreads(process, false, threads);
  for (auto& entry : *threads) entry.second.priority = GetThreadPriority(entry.second.handle);
}

void CloseThreads(Threads* threads) {
  for (auto& entry : *threads) CloseHandle(entry.second.handle);
  threads->clear();
}

// Prints how the download and user-interface threads and the wineserver were
// scheduled during the transfer. Wine's GetThreadTimes reads the same /proc
// figures, so a thread's Linux task is the one whose processor time equals
// (within a tick) the thread's time at the end.
void PrintScheduling(const Threads& threads, DWORD downloadThread, DWORD uiThread,
                     const std::map<int, LinuxTask>& before, const std::map<int, LinuxTask>& during,
                     const std::map<int, LinuxTask>& after, const std::map<int, LinuxTask>& wineserverBefore,
                     const std::map<int, LinuxTask>& wineserverAfter) {
  if (after.empty()) {
    std::printf("  scheduling: the manager's Linux threads were not found\n");
    return;
  }
  auto taskOf = [&](DWORD thread) {
    int best = 0;
    double bestGap = 1e18;
    auto found = threads.find(thread);
    if (found == threads.end()) return 0;
    double ms = found->second.userNowMs + found->second.kernelNowMs;
    for (auto& [tid, task] : after) {
      double gap = std::fabs(task.cpuMs - ms);
      if (gap < bestGap) best = tid, bestGap = gap;
    }
    return bestGap <= 20 ? best : 0;
  };
  // The nice value is the one seen while the transfer ran.
  auto print = [&during](const char* name, int tid, const std::map<int, LinuxTask>& from,
                         const std::map<int, LinuxTask>& to) {
    auto a = from.find(tid), b = to.find(tid), d = during.find(tid);
    if (tid == 0 || b == to.end()) {
      std::printf(" %s not matched;", name);
      return;
    }
    LinuxTask start = a != from.end() ? a->second : LinuxTask{};
    long nice = d != during.end() ? d->second.nice : b->second.nice;
    std::printf(" %s (nice %ld) ran %.0f ms, waited %.0f ms for a processor, %lld voluntary and %lld involuntary"
                " switches;",
                name, nice, b->second.runMs - start.runMs, b->second.waitMs - start.waitMs,
                b->second.voluntary - start.voluntary, b->second.involuntary - start.involuntary);
  };
  std::printf("  scheduling (/proc schedstat):");
  print("download thread", taskOf(downloadThread), before, after);
  print("user interface", taskOf(uiThread), before, after);
  int wineserverTid = wineserverAfter.empty() ? 0 : wineserverAfter.begin()->first;
  print("wineserver", wineserverTid, wineserverBefore, wineserverAfter);
  std::printf("\n");
}

// --- the round trip of WM_NULL ---

struct Pinger {
  HWND window = nullptr;
  HANDLE stop = nullptr;
  HANDLE thread = nullptr;
  std::vector<double> tripsMs;
};

DWORD WINAPI PingLoop(LPVOID parameter) {
  auto* pinger = static_cast<Pinger*>(parameter);
  double next = Now();
  for (;;) {
    next += kPingPeriodMs;
    double wait = next - Now();
    if (WaitForSingleObject(pinger->stop, wait > 0 ? static_cast<DWORD>(wait) : 0) == WAIT_OBJECT_0) break;
    double sent = Now();
    DWORD_PTR result = 0;
    SendMessageTimeoutW(pinger->window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result);
    pinger->tripsMs.push_back(Now() - sent);
    if (Now() > next) next = Now();  // a slow answer does not make a burst of catch-up pings
  }
  return 0;
}

void StartPinger(HWND window, Pinger* pinger) {
  pinger->window = window;
  pinger->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  pinger->thread = CreateThread(nullptr, 0, PingLoop, pinger, 0, nullptr);
}

void StopPinger(Pinger* pinger) {
  SetEvent(pinger->stop);
  WaitForSingleObject(pinger->thread, INFINITE);
  CloseHandle(pinger->thread);
  CloseHandle(pinger->stop);
}

// --- one transfer ---

// Moments of the transfer, in ms from the send of the request.
struct Transfer {
  bool finished = false;
  double finishedMs = 0;   // the finished file exists with the full size
  double probeMs = -1;     // the server logged the first request for the file
  double rangedMs = -1;    // ... and the second (the ranged one that is kept)
  double firstByteMs = -1; // the partial file first holds bytes
  double lastGrowthMs = -1;
  int requests = 0;
};

std::string UrlPath(const std::string& url) {
  size_t scheme = url.find("://");
  size_t slash = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
  return slash == std::string::npos ? "/" : url.substr(slash);
}

std::wstring UrlFileName(const std::wstring& url) {
  size_t slash = url.rfind(L'/');
  return slash == std::wstring::npos ? url : url.substr(slash + 1);
}

// Waits for the finished file. `onFirstByte` runs once, when the partial file
// first holds bytes (the transfer proper is under way).
template <typename OnFirstByte>
Transfer WaitForFile(const Options& options, ULONGLONG size, double start, LogWatch* log, OnFirstByte onFirstByte) {
  Transfer transfer;
  std::wstring folder = DownloadFolder();
  std::wstring finalPath = folder + L"\\" + UrlFileName(options.url);
  std::wstring partPath = finalPath + L".part";
  ULONGLONG lastPart = 0;
  while (Now() - start < kTransferTimeoutMs) {
    ULONGLONG have = 0;
    double now = Now() - start;
    if (FileSize(finalPath, &have) && have == size) {
      transfer.finished = true;
      transfer.finishedMs = now;
      break;
    }
    for (int n = PollLog(log); n > 0; --n) {
      ++transfer.requests;
      if (transfer.requests == 1) transfer.probeMs = now;
      if (transfer.requests == 2) transfer.rangedMs = now;
    }
    ULONGLONG part = 0;
    if (FileSize(partPath, &part) && part > lastPart) {
      if (lastPart == 0) {
        transfer.firstByteMs = now;
        onFirstByte();
      }
      lastPart = part;
      transfer.lastGrowthMs = now;
    }
    Sleep(kPollMs);
  }
  PollLog(log);
  return transfer;
}

// MB/s between the first bytes on disk and the last growth seen.
double SteadyRate(const Transfer& transfer, ULONGLONG size) {
  double ms = transfer.lastGrowthMs - transfer.firstByteMs;
  return ms > 0 ? static_cast<double>(size) / 1e3 / ms : 0;
}

void PrintPhases(const Transfer& transfer, ULONGLONG size) {
  std::printf("  phases (ms from the send): first request logged %.0f, second (ranged) %.0f, first byte on disk "
              "%.0f, last growth seen %.0f, finished %.0f; %d requests for the file; steady rate %.1f MB/s\n",
              transfer.probeMs, transfer.rangedMs, transfer.firstByteMs, transfer.lastGrowthMs, transfer.finishedMs,
              transfer.requests, SteadyRate(transfer, size));
}

ULONGLONG SourceSize(const Options& options) {
  ULONGLONG size = 0;
  FileSize(options.source, &size);
  return size;
}

void AppendResult(const Options& options, const char* kind, const std::vector<double>& values) {
  FILE* file = _wfopen(options.results.c_str(), L"a");
  if (file == nullptr) return;
  std::fprintf(file, "%s %s", Narrow(options.label).c_str(), kind);
  for (double value : values) std::fprintf(file, " %.6f", value);
  std::fprintf(file, "\n");
  std::fclose(file);
}

const char* Verdict(bool same) { return same ? "bytes equal to the source" : "BYTES DIFFER FROM THE SOURCE"; }

// The label of a run as printed: "capped, run 2".
std::string RunName(const Options& options) {
  std::string name = Narrow(options.label);
  if (options.run > 0) name += ", run " + std::to_string(options.run);
  return name;
}

// The shown window: time, throughput, processor time and responsiveness.
int RunShown(const Options& options) {
  ULONGLONG size = SourceSize(options);
  std::string label = RunName(options);
  DeleteFolderFiles(DownloadFolder());
  Manager manager;
  if (size == 0 || !StartManager(options, &manager)) {
    std::printf("%s: the manager did not show its window (or no source file)\n", label.c_str());
    EndManager(&manager);
    return 1;
  }
  // The catalogue check and the banner picture come and go at start-up.
  Sleep(2000);
  DWORD process = manager.info.dwProcessId;
  DWORD uiThread = GetWindowThreadProcessId(manager.window, nullptr);
  Threads threads;
  SampleThreads(process, true, &threads);
  LogWatch log;
  OpenLogWatch(options.serverLog, UrlPath(Narrow(options.url)), &log);
  double serverBefore = LinuxCpuSeconds(options.serverPid, options.clockTicks);
  double wineserverBefore = LinuxCpuSeconds(options.wineserverPid, options.clockTicks);
  double xserverBefore = LinuxCpuSeconds(options.xserverPid, options.clockTicks);
  double processBefore = ProcessCpuMs(manager.info.hProcess);
  MachineTime machineBefore = ReadMachineTime();
  int linuxPid = FindLinuxPid(options.manager);
  std::map<int, LinuxTask> tasksBefore = ReadLinuxTasks(linuxPid, options.clockTicks);
  std::map<int, LinuxTask> wineserverBeforeTasks = ReadLinuxTasks(options.wineserverPid, options.clockTicks);

  Pinger pinger;
  double start = Now();
  bool accepted = SendDownload(manager.window, Narrow(options.url));
  StartPinger(manager.window, &pinger);
  std::map<int, LinuxTask> tasksDuring;
  Transfer transfer = WaitForFile(options, size, start, &log, [&] {
    ReadPriorities(process, &threads);
    tasksDuring = ReadLinuxTasks(linuxPid, options.clockTicks);
  });
  double processAfter = ProcessCpuMs(manager.info.hProcess);
  double serverAfter = LinuxCpuSeconds(options.serverPid, options.clockTicks);
  double wineserverAfter = LinuxCpuSeconds(options.wineserverPid, options.clockTicks);
  double xserverAfter = LinuxCpuSeconds(options.xserverPid, options.clockTicks);
  UpdateThreads(process, &threads);
  MachineTime machineAfter = ReadMachineTime();
  std::map<int, LinuxTask> tasksAfter = ReadLinuxTasks(linuxPid, options.clockTicks);
  std::map<int, LinuxTask> wineserverAfterTasks = ReadLinuxTasks(options.wineserverPid, options.clockTicks);
  StopPinger(&pinger);
  CloseLogWatch(&log);
  bool ended = EndManager(&manager);
  bool same = transfer.finished && SameBytes(options.source, DownloadFolder() + L"\\" + UrlFileName(options.url));

  if (!accepted || !transfer.finished) {
    std::printf("%s: %s\n", label.c_str(), accepted ? "the file was not finished within the time limit"
                                                    : "the manager refused the download request");
    CloseThreads(&threads);
    return 1;
  }
  double wallMs = transfer.finishedMs;
  double megabytes = static_cast<double>(size) / 1e6;
  std::printf("%s: manager %.3f s (%.1f MB/s)", label.c_str(), wallMs / 1000, megabytes * 1000 / wallMs);
  double ratio = 0;
  if (options.curlSeconds > 0) {
    ratio = options.curlSeconds * 1000 / wallMs;
    std::printf(", curl %.3f s (%.1f MB/s); manager/curl throughput %.3f", options.curlSeconds,
                megabytes / options.curlSeconds, ratio);
  }
  std::printf("; %s%s\n", Verdict(same), ended ? "" : "; the manager had to be terminated");
  PrintPhases(transfer, size);

  // Processor time during the transfer. The download thread is the one that
  // ran at THREAD_PRIORITY_ABOVE_NORMAL (the manager's transfer priority),
  // else the busiest thread other than the user interface's.
  std::vector<std::pair<double, DWORD>> busiest;
  for (auto& entry : threads) {
    const ThreadSample& t = entry.second;
    busiest.push_back({t.userNowMs - t.userMs + t.kernelNowMs - t.kernelMs, entry.first});
  }
  std::sort(busiest.rbegin(), busiest.rend());
  DWORD downloadThread = 0;
  for (auto& entry : threads) {
    if (entry.second.priority == THREAD_PRIORITY_ABOVE_NORMAL) downloadThread = entry.first;
  }
  for (auto& [ms, id] : busiest) {
    if (downloadThread == 0 && id != uiThread) downloadThread = id;
  }
  double uiMs = 0, downloadMs = 0, othersMs = 0;
  int others = 0;
  for (auto& [ms, id] : busiest) {
    if (id == uiThread) uiMs = ms;
    else if (id == downloadThread) downloadMs = ms;
    else othersMs += ms, ++others;
  }
  const ThreadSample none;
  const ThreadSample& download = threads.count(downloadThread) != 0 ? threads[downloadThread] : none;
  const ThreadSample& ui = threads.count(uiThread) != 0 ? threads[uiThread] : none;
  double managerMs = uiMs + downloadMs + othersMs;
  std::printf("  processor during the transfer (GetThreadTimes): download thread %.0f ms (user %.0f, system %.0f,"
              " priority %d), user interface %.0f ms (user %.0f, system %.0f), %d other threads %.0f ms;"
              " manager in all %.0f ms (GetProcessTimes reports %.0f ms)\n",
              downloadMs, download.userNowMs - download.userMs, download.kernelNowMs - download.kernelMs,
              download.priority, uiMs, ui.userNowMs - ui.userMs, ui.kernelNowMs - ui.kernelMs, others, othersMs,
              managerMs, processAfter - processBefore);
  double serverMs = Delta(serverBefore, serverAfter);
  double wineserverMs = Delta(wineserverBefore, wineserverAfter);
  double xserverMs = Delta(xserverBefore, xserverAfter);
  SYSTEM_INFO system;
  GetSystemInfo(&system);
  double allMs = managerMs + std::max(0.0, serverMs) + std::max(0.0, wineserverMs) + std::max(0.0, xserverMs);
  std::printf("  outside the manager (/proc): wineserver %s, test server %s, X server %s;"
              " all counted %.0f ms = %.0f %% of %lu cores over the wall time; the machine was %.0f %% busy\n",
              MsText(wineserverMs).c_str(), MsText(serverMs).c_str(), MsText(xserverMs).c_str(), allMs,
              allMs * 100 / (wallMs * system.dwNumberOfProcessors),
              system.dwNumberOfProcessors, BusyPercent(machineBefore, machineAfter));
  PrintScheduling(threads, downloadThread, uiThread, tasksBefore, tasksDuring, tasksAfter, wineserverBeforeTasks,
                  wineserverAfterTasks);
  std::printf("  user-interface thread: %.1f ms = %.2f %% of the wall time\n", uiMs, uiMs * 100 / wallMs);
  double maxMs = pinger.tripsMs.empty() ? 0 : *std::max_element(pinger.tripsMs.begin(), pinger.tripsMs.end());
  double p99Ms = Percentile(pinger.tripsMs, 0.99);
  std::printf("  WM_NULL round trip every %lu ms: %zu sent, median %.2f ms, 99th percentile %.2f ms, max %.2f ms\n",
              static_cast<unsigned long>(kPingPeriodMs), pinger.tripsMs.size(), Median(pinger.tripsMs), p99Ms, maxMs);
  CloseThreads(&threads);
  AppendResult(options, "shown",
               {wallMs / 1000, options.curlSeconds, ratio, uiMs * 100 / wallMs, p99Ms, maxMs, downloadMs, managerMs,
                serverMs, wineserverMs, transfer.probeMs, transfer.rangedMs, SteadyRate(transfer, size)});
  return same ? 0 : 1;
}

// The hidden manager: private bytes around the download.
int RunHidden(const Options& options) {
  ULONGLONG size = SourceSize(options);
  std::string label = RunName(options);
  DeleteFolderFiles(DownloadFolder());
  Manager manager;
  if (size == 0 || !StartManager(options, &manager)) {
    std::printf("%s: the hidden manager's window was not found (or no source file)\n", label.c_str());
    EndManager(&manager);
    return 1;
  }
  Sleep(3000);
  LogWatch log;
  OpenLogWatch(options.serverLog, UrlPath(Narrow(options.url)), &log);
  Threads threads;
  SampleThreads(manager.info.dwProcessId, true, &threads);
  Memory before = MemoryOf(manager.info.hProcess);
  double start = Now();
  bool accepted = SendDownload(manager.window, Narrow(options.url));
  Transfer transfer = WaitForFile(options, size, start, &log, [] {});
  UpdateThreads(manager.info.dwProcessId, &threads);
  Memory after = MemoryOf(manager.info.hProcess);
  double processMs = 0;
  for (auto& entry : threads) {
    const ThreadSample& t = entry.second;
    processMs += t.userNowMs - t.userMs + t.kernelNowMs - t.kernelMs;
  }
  CloseThreads(&threads);
  Sleep(3000);
  Memory later = MemoryOf(manager.info.hProcess);
  CloseLogWatch(&log);
  bool ended = EndManager(&manager);
  bool same = transfer.finished && SameBytes(options.source, DownloadFolder() + L"\\" + UrlFileName(options.url));
  if (!accepted || !transfer.finished) {
    std::printf("%s: %s\n", label.c_str(), accepted ? "the file was not finished within the time limit"
                                                    : "the manager refused the download request");
    return 1;
  }
  double wallMs = transfer.finishedMs;
  std::printf("%s, hidden window: %.3f s (%.1f MB/s), manager's threads %.0f ms of processor; %s%s\n",
              label.c_str(), wallMs / 1000, static_cast<double>(size) / 1e3 / wallMs, processMs, Verdict(same),
              ended ? "" : "; the manager had to be terminated");
  PrintPhases(transfer, size);
  std::printf("  private bytes (committed private regions): before %.2f MB, finished %.2f MB (%+.2f), 3 s later "
              "%.2f MB (%+.2f)\n",
              before.regionsMb, after.regionsMb, after.regionsMb - before.regionsMb, later.regionsMb,
              later.regionsMb - before.regionsMb);
  std::printf("  PrivateUsage as reported: before %.2f MB, finished %.2f MB, 3 s later %.2f MB;"
              " working set %.2f / %.2f / %.2f MB\n",
              before.reportedMb, after.reportedMb, later.reportedMb, before.workingSetMb, after.workingSetMb,
              later.workingSetMb);
  return same ? 0 : 1;
}

// The receiving end of the progress messages of "wininet --post 1".
struct PostTarget {
  HWND window = nullptr;
  HANDLE ready = nullptr;
  HANDLE thread = nullptr;
  std::atomic<bool> posted{false};
};

LRESULT CALLBACK PostTargetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_APP) {
    reinterpret_cast<PostTarget*>(lParam)->posted = false;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

DWORD WINAPI PostTargetLoop(LPVOID parameter) {
  auto* target = static_cast<PostTarget*>(parameter);
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = PostTargetProc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"DownloadBenchTarget";
  RegisterClassW(&windowClass);
  target->window = CreateWindowW(L"DownloadBenchTarget", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
  SetEvent(target->ready);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

int RunWinInet(const Options& options) {
  PostTarget target;
  if (options.post) {
    target.ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    target.thread = CreateThread(nullptr, 0, PostTargetLoop, &target, 0, nullptr);
    WaitForSingleObject(target.ready, INFINITE);
  }
  long posts = 0;
  std::string url = Narrow(options.url);
  HINTERNET internet = InternetOpenA("IE6", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HANDLE file = INVALID_HANDLE_VALUE;
  if (!options.write.empty()) {
    file = CreateFileW(options.write.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  std::vector<char> buffer(options.block);
  double serverBefore = LinuxCpuSeconds(options.serverPid, options.clockTicks);
  double wineserverBefore = LinuxCpuSeconds(options.wineserverPid, options.clockTicks);
  FILETIME created, exited, kernelBefore, userBefore, kernelAfter, userAfter;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernelBefore, &userBefore);
  MachineTime machineBefore = ReadMachineTime();
  double start = Now();
  HINTERNET request = internet == nullptr ? nullptr
                                          : InternetOpenUrlA(internet, url.c_str(), nullptr, 0,
                                                             INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE, 0);
  ULONGLONG total = 0;
  ULONGLONG reads = 0;
  bool written = true;
  DWORD count = 0;
  while (request != nullptr && InternetReadFile(request, buffer.data(), options.block, &count) && count > 0) {
    ++reads;
    DWORD done = 0;
    if (file != INVALID_HANDLE_VALUE && (!WriteFile(file, buffer.data(), count, &done, nullptr) || done != count)) {
      written = false;
    }
    total += count;
    if (target.window != nullptr && !target.posted.exchange(true)) {
      PostMessageW(target.window, WM_APP, 0, reinterpret_cast<LPARAM>(&target));
      ++posts;
    }
    if (options.bytes != 0 && total >= options.bytes) break;
  }
  double wallMs = Now() - start;
  MachineTime machineAfter = ReadMachineTime();
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernelAfter, &userAfter);
  double serverAfter = LinuxCpuSeconds(options.serverPid, options.clockTicks);
  double wineserverAfter = LinuxCpuSeconds(options.wineserverPid, options.clockTicks);
  double closing = Now();
  if (request != nullptr) InternetCloseHandle(request);
  double closeMs = Now() - closing;
  if (internet != nullptr) InternetCloseHandle(internet);
  if (file != INVALID_HANDLE_VALUE) {
    CloseHandle(file);
    DeleteFileW(options.write.c_str());
  }
  if (target.thread != nullptr) {
    PostMessageW(target.window, WM_QUIT, 0, 0);
    WaitForSingleObject(target.thread, 5000);
    CloseHandle(target.thread);
    CloseHandle(target.ready);
  }
  double userMs = Ms(userAfter) - Ms(userBefore), systemMs = Ms(kernelAfter) - Ms(kernelBefore);
  char posting[64] = "";
  if (options.post) std::snprintf(posting, sizeof posting, ", %ld progress posts", posts);
  if (options.bytes != 0) {
    std::printf("  WinInet alone, %lu-byte blocks: stopped after %llu bytes (%.1f ms);"
                " closing the request took %.1f ms\n",
                static_cast<unsigned long>(options.block), total, wallMs, closeMs);
    return 0;
  }
  std::printf("  WinInet alone, %lu-byte blocks%s%s: %llu bytes in %.3f s (%.1f MB/s), %llu reads; its thread %.0f ms"
              " (user %.0f, system %.0f), wineserver %s, test server %s; the machine %.0f %% busy%s\n",
              static_cast<unsigned long>(options.block), file != INVALID_HANDLE_VALUE ? ", WriteFile per block" : "",
              posting,
              total, wallMs / 1000, static_cast<double>(total) / 1e3 / wallMs, reads, userMs + systemMs, userMs,
              systemMs, MsText(Delta(wineserverBefore, wineserverAfter)).c_str(),
              MsText(Delta(serverBefore, serverAfter)).c_str(),
              BusyPercent(machineBefore, machineAfter), written ? "" : "; A WRITE FAILED");
  return total > 0 && written ? 0 : 1;
}

int Summary(const Options& options) {
  FILE* file = _wfopen(options.results.c_str(), L"r");
  if (file == nullptr) return 1;
  std::string label = Narrow(options.label);
  std::vector<std::vector<double>> columns;
  char line[1024];
  while (std::fgets(line, sizeof line, file) != nullptr) {
    char name[256], kind[32];
    int used = 0;
    if (std::sscanf(line, "%255s %31s%n", name, kind, &used) != 2 || label != name || std::strcmp(kind, "shown") != 0) {
      continue;
    }
    std::vector<double> row;
    double value;
    int n = 0;
    for (const char* at = line + used; std::sscanf(at, "%lf%n", &value, &n) == 1; at += n) row.push_back(value);
    if (columns.size() < row.size()) columns.resize(row.size());
    for (size_t i = 0; i < row.size(); ++i) columns[i].push_back(row[i]);
  }
  std::fclose(file);
  if (columns.size() < 13) {
    std::printf("%s: no runs recorded\n", label.c_str());
    return 1;
  }
  auto m = [&](size_t i) { return Median(columns[i]); };
  std::printf("%s, median of %zu runs: manager %.3f s, curl %.3f s, manager/curl throughput %.3f"
              " (first request after %.0f ms, ranged request after %.0f ms, steady rate %.1f MB/s);"
              " user-interface thread %.2f %% of the wall time; WM_NULL round trip 99th percentile %.2f ms,"
              " max %.2f ms; processor: download thread %.0f ms, manager %.0f ms, wineserver %.0f ms,"
              " test server %.0f ms\n",
              label.c_str(), columns[0].size(), m(0), m(1), m(2), m(10), m(11), m(12), m(3), m(4), m(5), m(6), m(7),
              m(9), m(8));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Options options;
  if (!ReadOptions(argc, argv, &options)) {
    std::fprintf(stderr,
                 "usage: download_bench run --manager EXE --launcher PATH --url URL --source FILE --results FILE"
                 " --label TEXT [--run N] [--game-id N] [--curl SECONDS] [--server-pid N] [--wineserver-pid N]"
                 " [--xserver-pid N] [--server-log FILE] [--clock-ticks N]\n"
                 "       download_bench summary --results FILE --label TEXT\n"
                 "       download_bench wininet --url URL --block N [--write FILE] [--bytes N] [--server-pid N]"
                 " [--wineserver-pid N] [--clock-ticks N]\n");
    return 2;
  }
  int result;
  if (options.mode == L"summary") result = Summary(options);
  else if (options.mode == L"wininet") result = RunWinInet(options);
  else if (options.gameId.empty()) result = RunHidden(options);
  else result = RunShown(options);
  std::fflush(stdout);
  return result;
}
