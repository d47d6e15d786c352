/* The one export marker of the project's libraries: nelvoras, the
 * simulated service and the test stub. On Windows their export tables come
 * from module-definition files that CMake writes (undecorated names), so
 * it marks nothing there; elsewhere the libraries are built with hidden
 * visibility and it lets the marked functions out. Put it on definitions;
 * nelvoras.h, which other programs include, needs none. */
#ifndef NELVO_LIBRARY_EXPORT_H
#define NELVO_LIBRARY_EXPORT_H

#ifdef _WIN32
#define NELVO_EXPORT
#else
#define NELVO_EXPORT __attribute__((visibility("default")))
#endif

#endif
