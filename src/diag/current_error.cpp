#include "diag/current_error.h"

#include <exception>
#include <new>
#include <stdexcept>

namespace vestrel {

AppError CurrentAppError() {
  try {
    throw;
  } catch (const AppError& error) {
    return error;
  } catch (const std::bad_alloc&) {
    return ErrorOf(errors::OutOfMemory);
  } catch (const std::out_of_range& error) {
    return {kErrSubscriptOutOfRange, kProgramSource, error.what()};
  } catch (const std::overflow_error& error) {
    return {kErrOverflow, kProgramSource, error.what()};
  } catch (const std::exception& error) {
    return {kErrInvalidCall, kProgramSource, error.what()};
  } catch (...) {
    return {kErrInvalidCall, kProgramSource, "Unknown error"};
  }
}

}  // namespace vestrel
