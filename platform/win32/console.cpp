// The console on Windows.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/win32/win32_internal.h"

// Clears the input mode (Ctrl+C becomes an ordinary key) and sets processed
// output with wrap at the end of a line.
void PlatformPrepareConsole() {
  DWORD mode = 0;
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  if (GetConsoleMode(input, &mode)) SetConsoleMode(input, 0);
  HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
  if (GetConsoleMode(output, &mode)) {
    SetConsoleMode(output, ENABLE_PROCESSED_OUTPUT | ENABLE_WRAP_AT_EOL_OUTPUT);
  }
}

// Standard output is a console when its console mode can be read.
bool PlatformStdoutIsConsole() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode) != 0;
}

namespace {

// Moves the cursor to the start of the next row, scrolling the buffer up
// one row when the cursor is on the last one.
void NextConsoleRow(HANDLE console, const CONSOLE_SCREEN_BUFFER_INFO& info) {
  COORD cursor = {0, static_cast<SHORT>(info.dwCursorPosition.Y + 1)};
  if (info.dwCursorPosition.Y >= info.dwSize.Y - 1) {
    SMALL_RECT whole = {0, 0, static_cast<SHORT>(info.dwSize.X - 1),
                        static_cast<SHORT>(info.dwSize.Y - 1)};
    COORD up = {0, -1};
    CHAR_INFO blank{};
    blank.Char.AsciiChar = ' ';
    blank.Attributes = info.wAttributes;
    ScrollConsoleScreenBufferA(console, &whole, nullptr, up, &blank);
    cursor.Y = info.dwCursorPosition.Y;
  }
  SetConsoleCursorPosition(console, cursor);
}

}  // namespace

// Writes the line into the console screen buffer at the cursor, whatever
// standard output is redirected to; the part past the right edge is cut.
void PlatformWriteConsoleLine(const char* text, size_t length) {
  HANDLE console =
      CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return;
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (GetConsoleScreenBufferInfo(console, &info) && info.dwSize.X > 0) {
    size_t room = static_cast<size_t>(info.dwSize.X - info.dwCursorPosition.X);
    size_t shown = length < room ? length : room;
    if (shown > 0) {
      std::vector<CHAR_INFO> cells(shown);
      for (size_t i = 0; i < shown; ++i) {
        cells[i].Char.AsciiChar = text[i];
        cells[i].Attributes = info.wAttributes;
      }
      COORD size = {static_cast<SHORT>(shown), 1};
      COORD origin = {0, 0};
      SMALL_RECT region = {info.dwCursorPosition.X, info.dwCursorPosition.Y,
                           static_cast<SHORT>(info.dwCursorPosition.X + shown - 1),
                           info.dwCursorPosition.Y};
      WriteConsoleOutputA(console, cells.data(), size, origin, &region);
    }
    NextConsoleRow(console, info);
  }
  CloseHandle(console);
}
