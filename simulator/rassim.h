/* The rassim tool's commands and the helpers they share (rassim.c has the
 * command line). */
#ifndef RASSIM_RASSIM_H
#define RASSIM_RASSIM_H

#include <stddef.h>
#include <stdint.h>

#include "simulator/sim_state.h"

/* Prints the message on standard error; returns exit code 1. */
int Fail(const char* what);
/* Names the word of the command line not understood (NULL: the line ends
 * too early) on standard error; returns exit code 2. */
int NotUnderstood(const char* word);
/* A whole-string number within bounds; 0 when it is not one. */
int ReadNumber(const char* text, int64_t low, int64_t high, int64_t* value);
int ReadUint(const char* text, int64_t low, int64_t high, uint32_t* value);
/* Copies a value that fits and holds no line end into a field; 0 otherwise. */
int SetText(char* field, size_t size, const char* value);

/* rassim_phonebook.c */
int PhoneBookCommand(int argc, char** argv);
int DemoCommand(void);

/* rassim_commands.c */
int ConnectionsCommand(void);
int DropCommand(int argc, char** argv);
int DialsCommand(void);
int DialCommand(int argc, char** argv);
int FaultCommand(int argc, char** argv);

#endif
