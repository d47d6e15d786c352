// A password or PIN held by the library: its bytes are cleared when it is
// dropped, and it never grows (so no reallocation leaves a copy behind).
#ifndef NELVO_NM_SECRET_TEXT_H
#define NELVO_NM_SECRET_TEXT_H

#include <string.h>

#include <string>

namespace nmras {

class SecretText {
 public:
  // Room for the longest password a dial record holds, and its NUL.
  static constexpr size_t kCapacity = 257;

  SecretText() { value_.reserve(kCapacity); }
  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;
  ~SecretText() { Clear(); }

  // Takes text, cut to the capacity.
  void Set(const char* text) {
    Clear();
    value_.append(text, strnlen(text, kCapacity - 1));
  }
  void Clear() {
    value_.resize(value_.capacity());  // within the capacity: no reallocation
    explicit_bzero(&value_[0], value_.size());
    value_.clear();
  }
  const char* c_str() const { return value_.c_str(); }
  bool empty() const { return value_.empty(); }

 private:
  std::string value_;
};

// Where the named secrets of a VPN's "secrets" dictionary go: values[i]
// takes keys[i] (keys null-terminated). Other keys are not kept.
struct SecretSlots {
  const char* const* keys;
  SecretText* const* values;
};

}  // namespace nmras

#endif
