// A replaceable handler: one pointer per kind (null = the real Qt window),
// swapped in for the life of a scope and restored when the scope ends. These
// pointers are the library's only process-wide mutable state; everything that
// stops for a person goes through one of them so a test can stand in for it.
#pragma once

template <class Handler, Handler* (*Install)(Handler*)>
class HandlerScope {
 public:
  explicit HandlerScope(Handler* handler) : previous_(Install(handler)) {}
  ~HandlerScope() { Install(previous_); }
  HandlerScope(const HandlerScope&) = delete;
  HandlerScope& operator=(const HandlerScope&) = delete;

 private:
  Handler* previous_;
};
