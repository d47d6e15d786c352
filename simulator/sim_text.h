/* A growable byte buffer for building state files, and small parsers. */
#ifndef RASSIM_SIM_TEXT_H
#define RASSIM_SIM_TEXT_H

#include <stddef.h>
#include <stdint.h>

typedef struct SimText {
  char* data;
  size_t length;
  size_t capacity;
  int failed; /* an allocation failed; the text is incomplete */
} SimText;

void SimTextAppend(SimText* text, const char* bytes, size_t length);
void SimTextString(SimText* text, const char* bytes);
void SimTextNumber(SimText* text, int64_t value);
void SimTextFree(SimText* text);

/* One "key=value" line; an empty text value writes no line. */
void SimWriteKey(SimText* text, const char* key, const char* value);
void SimWriteNumberKey(SimText* text, const char* key, int64_t value);

/* Strict decimal: optional '-', digits only, within 64 bits. Returns 1 when
 * the whole of [begin, end) is a number. */
int SimParseNumber(const char* begin, const char* end, int64_t* value);

#endif
