// Events on POSIX: a flag under a mutex, with a condition variable on the
// monotonic clock to wait for it.
#include <pthread.h>
#include <stdlib.h>
#include <time.h>

#include "platform/event_system.h"
#include "platform/platform.h"

namespace {

struct Event {
  pthread_mutex_t lock;
  pthread_cond_t changed;
  bool set;
};

Event* Of(PlatformEvent event) {
  return static_cast<Event*>(event);
}

// Now plus bound_ms on the monotonic clock.
timespec DeadlineAfter(uint32_t bound_ms) {
  timespec deadline;
  clock_gettime(CLOCK_MONOTONIC, &deadline);
  deadline.tv_sec += bound_ms / 1000;
  deadline.tv_nsec += static_cast<long>(bound_ms % 1000) * 1000000L;
  if (deadline.tv_nsec >= 1000000000L) {
    deadline.tv_sec += 1;
    deadline.tv_nsec -= 1000000000L;
  }
  return deadline;
}

void Store(PlatformEvent event, bool set) {
  if (event == nullptr) return;
  pthread_mutex_lock(&Of(event)->lock);
  Of(event)->set = set;
  if (set) pthread_cond_broadcast(&Of(event)->changed);
  pthread_mutex_unlock(&Of(event)->lock);
}

}  // namespace

PlatformEvent PlatformCreateEvent() {
  // Zeroed: not set.
  Event* event = static_cast<Event*>(calloc(1, sizeof(Event)));
  if (event == nullptr) return nullptr;
  pthread_condattr_t attributes;
  pthread_condattr_init(&attributes);
  pthread_condattr_setclock(&attributes, CLOCK_MONOTONIC);
  pthread_cond_init(&event->changed, &attributes);
  pthread_condattr_destroy(&attributes);
  pthread_mutex_init(&event->lock, nullptr);
  return event;
}

void PlatformSetEvent(PlatformEvent event) {
  Store(event, true);
}

void PlatformResetEvent(PlatformEvent event) {
  Store(event, false);
}

// Wakes that find the flag still clear (spurious ones) wait again until the
// same deadline; any failure of the wait ends it.
bool SystemWaitEvent(PlatformEvent event, uint32_t bound_ms) {
  timespec deadline = DeadlineAfter(bound_ms);
  Event* waited = Of(event);
  pthread_mutex_lock(&waited->lock);
  int result = 0;
  while (!waited->set && result == 0) {
    result = pthread_cond_timedwait(&waited->changed, &waited->lock, &deadline);
  }
  bool set = waited->set;
  pthread_mutex_unlock(&waited->lock);
  return set;
}

void PlatformCloseEvent(PlatformEvent event) {
  if (event == nullptr) return;
  pthread_cond_destroy(&Of(event)->changed);
  pthread_mutex_destroy(&Of(event)->lock);
  free(event);
}
