/* Growable buffer and number parsing for the state files. */
#include "simulator/sim_text.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* Appends bytes, doubling the buffer as needed; keeps a NUL after them. */
void SimTextAppend(SimText* text, const char* bytes, size_t length) {
  if (text->failed) return;
  if (text->length + length + 1 > text->capacity) {
    size_t capacity = text->capacity ? text->capacity : 256;
    char* grown;
    while (capacity < text->length + length + 1) capacity *= 2;
    grown = (char*)realloc(text->data, capacity);
    if (grown == NULL) {
      text->failed = 1;
      return;
    }
    text->data = grown;
    text->capacity = capacity;
  }
  memcpy(text->data + text->length, bytes, length);
  text->length += length;
  text->data[text->length] = '\0';
}

void SimTextString(SimText* text, const char* bytes) {
  SimTextAppend(text, bytes, strlen(bytes));
}

void SimTextNumber(SimText* text, int64_t value) {
  char digits[32];
  snprintf(digits, sizeof digits, "%lld", (long long)value);
  SimTextString(text, digits);
}

void SimTextFree(SimText* text) {
  free(text->data);
  memset(text, 0, sizeof *text);
}

int SimParseNumber(const char* begin, const char* end, int64_t* value) {
  int negative = 0;
  int64_t result = 0;
  if (begin < end && *begin == '-') {
    negative = 1;
    begin++;
  }
  if (begin == end || end - begin > 18) return 0;
  for (; begin < end; begin++) {
    if (*begin < '0' || *begin > '9') return 0;
    result = result * 10 + (*begin - '0');
  }
  *value = negative ? -result : result;
  return 1;
}

/* SimWriteKey: an empty value writes nothing. */
void SimWriteKey(SimText* text, const char* key, const char* value) {
  if (value[0] == '\0') return;
  SimTextString(text, key);
  SimTextString(text, "=");
  SimTextString(text, value);
  SimTextString(text, "\n");
}

void SimWriteNumberKey(SimText* text, const char* key, int64_t value) {
  SimTextString(text, key);
  SimTextString(text, "=");
  SimTextNumber(text, value);
  SimTextString(text, "\n");
}
