// Measures how long a window's thread goes without handling messages (bench/footprint.sh builds
// it on its own). It sends WM_NULL to the first window of the given class, again and again, and
// notes when each answer came back. Every line read from standard input marks a moment (a movie
// change, say); at the end of input it prints, for each mark, the longest time between two
// answers in the 1.5 s after it, and the longest such time away from every mark.
//
//   message_probe.exe WINDOW-CLASS < marks
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr double kAfterMarkMs = 1500;

double NowMs() {
  LARGE_INTEGER now{}, frequency{};
  QueryPerformanceCounter(&now);
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  HWND target = nullptr;
  for (int i = 0; i < 200 && !target; ++i) {
    target = FindWindowW(argv[1], nullptr);
    if (!target) Sleep(50);
  }
  if (!target) {
    std::printf("no window of class %ls\n", argv[1]);
    return 2;
  }
  std::atomic<bool> done{false};
  std::vector<double> answers;
  answers.reserve(1 << 20);
  std::thread pinger([&] {
    while (!done.load()) {
      DWORD_PTR result = 0;
      if (!SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result)) break;
      answers.push_back(NowMs());
      Sleep(1);
    }
  });
  std::printf("ready\n");
  std::fflush(stdout);
  std::vector<double> marks;
  char line[256];
  while (std::fgets(line, sizeof(line), stdin)) marks.push_back(NowMs());
  done.store(true);
  pinger.join();

  std::vector<double> longest(marks.size(), 0);
  double elsewhere = 0;
  for (size_t i = 1; i < answers.size(); ++i) {
    const double from = answers[i - 1], to = answers[i], gap = to - from;
    bool near_mark = false;
    for (size_t m = 0; m < marks.size(); ++m) {
      if (to >= marks[m] && from <= marks[m] + kAfterMarkMs) {
        longest[m] = std::max(longest[m], gap);
        near_mark = true;
      }
    }
    if (!near_mark) elsewhere = std::max(elsewhere, gap);
  }
  for (size_t m = 0; m < marks.size(); ++m) std::printf("mark %zu %.1f\n", m + 1, longest[m]);
  std::printf("elsewhere %.1f\n", elsewhere);
  std::printf("answers %zu\n", answers.size());
  return 0;
}
