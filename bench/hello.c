/* The floor for a Windows console program under Wine: a static C program
 * that writes one line and ends, importing only what the C runtime needs. */
#include <stdio.h>

int main(void) {
  puts("Hello");
  return 0;
}
