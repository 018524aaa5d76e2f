#pragma once

#include <cstdint>
#include <string>

namespace vestrel {

// Why the library could not be loaded, for the trader to mend.
struct LibraryLoadFailure {
  enum class Kind {
    None,          // loaded, or not tried yet
    NotFound,      // no such file in the folder nor along the search path
    WrongBitness,  // a library built for the other bitness than the program
    Other,         // present, but would not load (SystemCode says why)
    // loaded, but without a function the panel calls (Function names it):
    // a library of some other program, or one too old
    MissingFunction,
  };
  Kind What = Kind::None;
  // The file name the program looks for ("TRANS2QUIK.DLL").
  std::string FileName;
  // The folder looked in first (the program's own); for WrongBitness, the
  // folder of the library that was found, empty when found along the
  // system's search path.
  std::string Folder;
  // The bitness of the program itself (32 or 64).
  int ProgramBits = 0;
  std::uint32_t SystemCode = 0;
  std::string Function;
  bool operator==(const LibraryLoadFailure&) const = default;
};

// The terminal vendor's transaction library (TRANS2QUIK.DLL): its five
// functions, with their arguments in the library's order. Every function
// returns the library's 32-bit result code. Texts are UTF-8 here; the
// platform hands them to the library as 8-bit text in the system's ANSI code
// page and converts the messages it writes back.
//
// A library that cannot be loaded, or that lacks the function called, is a
// runtime failure and throws AppError (53 for a missing file, 453 for a
// missing entry point); a result code, whatever it says, is not.
class TransactionLibrary {
 public:
  virtual ~TransactionLibrary() = default;

  // The library's connection functions get no message buffer (a null pointer
  // and size 0); only the extended error code comes back.
  virtual std::int32_t Connect(const std::string& connectionText,
                               std::int32_t& extendedErrorCode) = 0;
  virtual std::int32_t IsDllConnected(std::int32_t& extendedErrorCode) = 0;
  virtual std::int32_t IsQuikConnected(std::int32_t& extendedErrorCode) = 0;
  virtual std::int32_t Disconnect(std::int32_t& extendedErrorCode) = 0;

  // Sends one transaction and returns once the terminal has answered. The
  // two messages are what the library wrote into zeroed buffers of the given
  // sizes, each up to its first NUL, or the whole buffer when it holds none;
  // a message it does not write comes back empty. Numeric outputs the library
  // leaves alone keep the values they came in with.
  virtual std::int32_t SendSyncTransaction(const std::string& transaction, std::int32_t& replyCode,
                                           std::int32_t& transId, double& orderNum,
                                           std::string& resultMessage,
                                           std::int32_t resultMessageSize,
                                           std::int32_t& extendedErrorCode,
                                           std::string& errorMessage,
                                           std::int32_t errorMessageSize) = 0;

  // Why the last attempt to load the library, or to find a function in it,
  // failed; Kind::None otherwise and for a library that is not loaded from a
  // file at all.
  virtual LibraryLoadFailure LoadFailure() const { return {}; }
};

}  // namespace vestrel
