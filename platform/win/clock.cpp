// Tick count, sleeping and the local time on the Linux clocks.
#include "platform/win/clock.h"

#include <sched.h>
#include <time.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

std::atomic<win::TickSource> g_tickSource{nullptr};

ULONGLONG SteadyMilliseconds() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<ULONGLONG>(ts.tv_sec) * 1000u + static_cast<ULONGLONG>(ts.tv_nsec) / 1000000u;
}

}  // namespace

ULONGLONG GetTickCount64() {
  win::TickSource source = g_tickSource.load();
  return source ? source() : SteadyMilliseconds();
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

void Sleep(DWORD milliseconds) {
  if (milliseconds == 0) {
    sched_yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void GetLocalTime(SYSTEMTIME* time) {
  if (!time) return;
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local{};
  localtime_r(&ts.tv_sec, &local);
  time->wYear = static_cast<WORD>(local.tm_year + 1900);
  time->wMonth = static_cast<WORD>(local.tm_mon + 1);
  time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
  time->wDay = static_cast<WORD>(local.tm_mday);
  time->wHour = static_cast<WORD>(local.tm_hour);
  time->wMinute = static_cast<WORD>(local.tm_min);
  time->wSecond = static_cast<WORD>(local.tm_sec > 59 ? 59 : local.tm_sec);  // no leap second
  time->wMilliseconds = static_cast<WORD>(ts.tv_nsec / 1000000);
}

namespace win {

TickSource SetTickSource(TickSource source) { return g_tickSource.exchange(source); }

}  // namespace win
