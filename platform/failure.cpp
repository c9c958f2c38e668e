#include "platform/failure.h"

#include <cstdio>
#include <new>

namespace wendrake {

Failure::Failure(int32_t code, std::wstring description)
    : code_(code),
      description_(description.empty() ? StandardDescription(code) : std::move(description)) {}

std::wstring StandardDescription(int32_t c) {
  switch (c) {
    case code::kNoWindow: return L"Ungültiger Prozeduraufruf oder ungültiges Argument";
    case code::kOverflow: return L"Überlauf";
    case code::kOutOfMemory: return L"Nicht genügend Speicher";
    case code::kSubscriptOutOfRange: return L"Index außerhalb des gültigen Bereichs";
    case code::kDivisionByZero: return L"Division durch Null";
    case code::kTypeMismatch: return L"Typen unverträglich";
    case code::kUserInterrupt: return L"Benutzerunterbrechung";
    case code::kInternalError: return L"Interner Fehler";
    case code::kBadFileName: return L"Dateiname oder -nummer falsch";
    case code::kFileNotFound: return L"Datei nicht gefunden";
    case code::kDeviceIoError: return L"Fehler beim Lesen oder Schreiben des Geräts";
    case code::kDiskFull: return L"Datenträger voll";
    case code::kTooManyFiles: return L"Zu viele Dateien";
    case code::kDeviceUnavailable: return L"Gerät nicht verfügbar";
    case code::kPermissionDenied: return L"Zugriff verweigert";
    case code::kDiskNotReady: return L"Datenträger nicht bereit";
    case code::kPathFileAccessError: return L"Fehler beim Zugriff auf Pfad/Datei";
    case code::kPathNotFound: return L"Pfad nicht gefunden";
    case code::kCannotCreateObject:
      return L"Objekterstellung durch ActiveX-Komponente nicht möglich";
    case code::kMethodNotSupported:
      return L"Objekt unterstützt diese Eigenschaft oder Methode nicht";
    case code::kAutomationError: return L"Automatisierungsfehler";
    case code::kArgumentNotOptional: return L"Argument ist nicht optional";
    case code::kWrongArgumentCount: return L"Falsche Anzahl an Argumenten";
    case code::kServerUnavailable:
      return L"Der Remote-Server existiert nicht oder ist nicht verfügbar";
    default: return L"Anwendungs- oder objektdefinierter Fehler";
  }
}

int32_t CodeFromSystemError(uint32_t error) {
  switch (error) {
    case 0: return code::kInternalError;        // failed without saying why
    case 2: return code::kFileNotFound;         // ERROR_FILE_NOT_FOUND
    case 3: return code::kPathNotFound;         // ERROR_PATH_NOT_FOUND
    case 15: return code::kPathNotFound;        // ERROR_INVALID_DRIVE
    case 53: return code::kPathNotFound;        // ERROR_BAD_NETPATH
    case 67: return code::kPathNotFound;        // ERROR_BAD_NET_NAME
    case 161: return code::kPathNotFound;       // ERROR_BAD_PATHNAME
    case 4: return code::kTooManyFiles;         // ERROR_TOO_MANY_OPEN_FILES
    case 5: return code::kPathFileAccessError;  // ERROR_ACCESS_DENIED (also a folder)
    case 8: return code::kOutOfMemory;          // ERROR_NOT_ENOUGH_MEMORY
    case 14: return code::kOutOfMemory;         // ERROR_OUTOFMEMORY
    case 21: return code::kDiskNotReady;        // ERROR_NOT_READY
    case 32: return code::kPermissionDenied;    // ERROR_SHARING_VIOLATION
    case 33: return code::kPermissionDenied;    // ERROR_LOCK_VIOLATION
    case 39: return code::kDiskFull;            // ERROR_HANDLE_DISK_FULL
    case 112: return code::kDiskFull;           // ERROR_DISK_FULL
    case 123: return code::kBadFileName;        // ERROR_INVALID_NAME
    case 206: return code::kBadFileName;        // ERROR_FILENAME_EXCED_RANGE
    case 1117: return code::kDeviceIoError;     // ERROR_IO_DEVICE
    case 23: return code::kDeviceIoError;       // ERROR_CRC
    case 55: return code::kDeviceUnavailable;   // ERROR_DEV_NOT_EXIST
    default: return code::kPathFileAccessError;
  }
}

int32_t CodeFromHResult(int32_t hr) {
  const auto u = static_cast<uint32_t>(hr);
  // Errors raised with a code of their own (FACILITY_CONTROL) carry it in the
  // low word, as automation servers report application errors.
  if ((u & 0xFFFF0000u) == 0x800A0000u) return static_cast<int32_t>(u & 0xFFFFu);
  // Win32 errors wrapped into an HRESULT (FACILITY_WIN32), RPC failures aside.
  switch (u) {
    case 0x800401F3u:  // CO_E_CLASSSTRING: ProgID not registered
    case 0x80040154u:  // REGDB_E_CLASSNOTREG
    case 0x80080005u:  // CO_E_SERVER_EXEC_FAILURE
    case 0x800401F0u:  // CO_E_NOTINITIALIZED
    case 0x80040111u:  // CLASS_E_CLASSNOTAVAILABLE
    case 0x80040110u:  // CLASS_E_NOAGGREGATION
    case 0x800401E4u:  // MK_E_SYNTAX
      return code::kCannotCreateObject;
    case 0x80004002u:  // E_NOINTERFACE
    case 0x80020005u:  // DISP_E_TYPEMISMATCH
      return code::kTypeMismatch;
    case 0x8007000Eu:  // E_OUTOFMEMORY
      return code::kOutOfMemory;
    case 0x80070005u:  // E_ACCESSDENIED
      return code::kPermissionDenied;
    case 0x8002000Au:  // DISP_E_OVERFLOW
      return code::kOverflow;
    case 0x80020003u:  // DISP_E_MEMBERNOTFOUND
    case 0x80020006u:  // DISP_E_UNKNOWNNAME
      return code::kMethodNotSupported;
    case 0x8002000Fu:  // DISP_E_PARAMNOTOPTIONAL
      return code::kArgumentNotOptional;
    case 0x8002000Eu:  // DISP_E_BADPARAMCOUNT
      return code::kWrongArgumentCount;
    case 0x800706BAu:  // RPC_S_SERVER_UNAVAILABLE
    case 0x800706BEu:  // RPC_S_CALL_FAILED
    case 0x80010007u:  // RPC_E_SERVER_DIED
    case 0x80010012u:  // RPC_E_SERVER_DIED_DNE
    case 0x80010108u:  // RPC_E_DISCONNECTED
      return code::kServerUnavailable;
    default: break;
  }
  if ((u & 0xFFFF0000u) == 0x80070000u) return CodeFromSystemError(u & 0xFFFFu);
  // Anything else is an automation error; the description names the HRESULT.
  return code::kAutomationError;
}

Failure FailureFromHResult(int32_t hr, bool creating) {
  const auto u = static_cast<uint32_t>(hr);
  int32_t c = CodeFromHResult(hr);
  std::wstring description;
  if (creating && c == code::kPermissionDenied) {
    // The host runs at another privilege level: installed, but out of reach.
    description =
        L"MORKA läuft mit anderen Rechten als die Plotterauswahl (etwa als Administrator)";
  } else if (creating) {
    c = code::kCannotCreateObject;
  }
  if (description.empty()) description = StandardDescription(c);
  wchar_t number[16];
  std::swprintf(number, 16, L" (0x%08X)", u);
  return Failure(c, description + number);
}

void ThrowSystemError(uint32_t error) {
  throw Failure(CodeFromSystemError(error));
}

Failure CurrentFailure() {
  try {
    throw;
  } catch (const Failure& failure) {
    return failure;
  } catch (const std::bad_alloc&) {
    return Failure(code::kOutOfMemory);
  } catch (...) {
    return Failure(code::kInternalError);
  }
}

Failure FailureFromException(uint16_t wCode, int32_t scode, std::wstring description) {
  const int32_t code = wCode != 0 ? int32_t{wCode} : CodeFromHResult(scode);
  return Failure(code, std::move(description));
}

}  // namespace wendrake
