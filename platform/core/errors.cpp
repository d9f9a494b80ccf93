#include "platform/core/errors.h"

#include <cerrno>
#include <unordered_map>

namespace {

thread_local DWORD t_last_error = ERROR_SUCCESS;

const std::unordered_map<DWORD, const char*>& MessageTable() {
  static const std::unordered_map<DWORD, const char*> table = {
      {ERROR_SUCCESS, "The operation completed successfully."},
      {ERROR_INVALID_FUNCTION, "Incorrect function."},
      {ERROR_FILE_NOT_FOUND, "The system cannot find the file specified."},
      {ERROR_PATH_NOT_FOUND, "The system cannot find the path specified."},
      {ERROR_TOO_MANY_OPEN_FILES, "The system cannot open the file."},
      {ERROR_ACCESS_DENIED, "Access is denied."},
      {ERROR_INVALID_HANDLE, "The handle is invalid."},
      {ERROR_NOT_ENOUGH_MEMORY, "Not enough storage is available to process this command."},
      {ERROR_BAD_FORMAT, "An attempt was made to load a program with an incorrect format."},
      {ERROR_INVALID_ACCESS, "The access code is invalid."},
      {ERROR_INVALID_DATA, "The data is invalid."},
      {ERROR_OUTOFMEMORY, "Not enough storage is available to complete this operation."},
      {ERROR_INVALID_DRIVE, "The system cannot find the drive specified."},
      {ERROR_NOT_SAME_DEVICE, "The system cannot move the file to a different disk drive."},
      {ERROR_NO_MORE_FILES, "There are no more files."},
      {ERROR_WRITE_PROTECT, "The media is write protected."},
      {ERROR_NOT_READY, "The device is not ready."},
      {ERROR_SEEK, "The drive cannot locate a specific area or track on the disk."},
      {ERROR_WRITE_FAULT, "The system cannot write to the specified device."},
      {ERROR_READ_FAULT, "The system cannot read from the specified device."},
      {ERROR_GEN_FAILURE, "A device attached to the system is not functioning."},
      {ERROR_SHARING_VIOLATION,
       "The process cannot access the file because it is being used by another process."},
      {ERROR_LOCK_VIOLATION,
       "The process cannot access the file because another process has locked a portion of the "
       "file."},
      {ERROR_HANDLE_EOF, "Reached the end of the file."},
      {ERROR_HANDLE_DISK_FULL, "The disk is full."},
      {ERROR_NOT_SUPPORTED, "The request is not supported."},
      {ERROR_FILE_EXISTS, "The file exists."},
      {ERROR_CANNOT_MAKE, "The directory or file cannot be created."},
      {ERROR_INVALID_PARAMETER, "The parameter is incorrect."},
      {ERROR_BROKEN_PIPE, "The pipe has been ended."},
      {ERROR_BUFFER_OVERFLOW, "The file name is too long."},
      {ERROR_DISK_FULL, "There is not enough space on the disk."},
      {ERROR_CALL_NOT_IMPLEMENTED, "This function is not supported on this system."},
      {ERROR_INSUFFICIENT_BUFFER, "The data area passed to a system call is too small."},
      {ERROR_INVALID_NAME, "The filename, directory name, or volume label syntax is incorrect."},
      {ERROR_MOD_NOT_FOUND, "The specified module could not be found."},
      {ERROR_PROC_NOT_FOUND, "The specified procedure could not be found."},
      {ERROR_DIR_NOT_EMPTY, "The directory is not empty."},
      {ERROR_BAD_PATHNAME, "The specified path is invalid."},
      {ERROR_BUSY, "The requested resource is in use."},
      {ERROR_NO_DATA, "The pipe is being closed."},
      {ERROR_ALREADY_EXISTS, "Cannot create a file when that file already exists."},
      {ERROR_CANCELLED, "The operation was canceled by the user."},
      {ERROR_NOT_ALL_ASSIGNED, "Not all privileges or groups referenced are assigned to the caller."},
      {ERROR_NO_SUCH_PRIVILEGE, "A specified privilege does not exist."},
      {ERROR_BAD_EXE_FORMAT, "%1 is not a valid Win32 application."},
      {ERROR_FILENAME_EXCED_RANGE, "The filename or extension is too long."},
      {ERROR_MORE_DATA, "More data is available."},
      {WAIT_TIMEOUT, "The wait operation timed out."},
      {ERROR_NO_MORE_ITEMS, "No more data is available."},
      {ERROR_DIRECTORY, "The directory name is invalid."},
      {ERROR_NOT_OWNER, "Attempt to release mutex not owned by caller."},
      {ERROR_ABANDONED_WAIT_0,
       "The wait operation completed because the owner of a mutex ended without releasing it."},
      {ERROR_OPERATION_ABORTED,
       "The I/O operation has been aborted because of either a thread exit or an application "
       "request."},
      {ERROR_NOACCESS, "Invalid access to memory location."},
      {ERROR_BADDB, "The configuration registry database is corrupt."},
      {ERROR_BADKEY, "The configuration registry key is invalid."},
      {ERROR_CANTOPEN, "The configuration registry key could not be opened."},
      {ERROR_CANTREAD, "The configuration registry key could not be read."},
      {ERROR_CANTWRITE, "The configuration registry key could not be written."},
      {ERROR_KEY_DELETED, "Illegal operation attempted on a registry key that has been marked for "
                          "deletion."},
      {ERROR_NOT_FOUND, "Element not found."},
      {ERROR_INVALID_WINDOW_HANDLE, "Invalid window handle."},
      {ERROR_INVALID_MENU_HANDLE, "Invalid menu handle."},
      {ERROR_CANNOT_FIND_WND_CLASS, "Cannot find window class."},
      {ERROR_WINDOW_OF_OTHER_THREAD, "Invalid window; it belongs to other thread."},
      {ERROR_CLASS_ALREADY_EXISTS, "Class already exists."},
      {ERROR_CLASS_DOES_NOT_EXIST, "Class does not exist."},
      {ERROR_CLASS_HAS_WINDOWS, "Class still has open windows."},
      {ERROR_INVALID_INDEX, "Invalid index."},
      {ERROR_INVALID_THREAD_ID, "Invalid thread identifier."},
      {ERROR_TIMEOUT, "This operation returned because the timeout period expired."},
      {WSAEINTR, "A blocking operation was interrupted by a call to WSACancelBlockingCall."},
      {WSAEBADF, "The file handle supplied is not valid."},
      {WSAEACCES,
       "An attempt was made to access a socket in a way forbidden by its access permissions."},
      {WSAEFAULT,
       "The system detected an invalid pointer address in attempting to use a pointer argument "
       "in a call."},
      {WSAEINVAL, "An invalid argument was supplied."},
      {WSAEMFILE, "Too many open sockets."},
      {WSAEWOULDBLOCK, "A non-blocking socket operation could not be completed immediately."},
      {WSAEINPROGRESS, "A blocking operation is currently executing."},
      {WSAEALREADY,
       "An operation was attempted on a non-blocking socket that already had an operation in "
       "progress."},
      {WSAENOTSOCK, "An operation was attempted on something that is not a socket."},
      {WSAEDESTADDRREQ, "A required address was omitted from an operation on a socket."},
      {WSAEMSGSIZE,
       "A message sent on a datagram socket was larger than the internal message buffer or some "
       "other network limit, or the buffer used to receive a datagram into was smaller than the "
       "datagram itself."},
      {WSAEPROTOTYPE,
       "A protocol was specified in the socket function call that does not support the semantics "
       "of the socket type requested."},
      {WSAENOPROTOOPT,
       "An unknown, invalid, or unsupported option or level was specified in a getsockopt or "
       "setsockopt call."},
      {WSAEPROTONOSUPPORT,
       "The requested protocol has not been configured into the system, or no implementation for "
       "it exists."},
      {WSAESOCKTNOSUPPORT,
       "The support for the specified socket type does not exist in this address family."},
      {WSAEOPNOTSUPP,
       "The attempted operation is not supported for the type of object referenced."},
      {WSAEPFNOSUPPORT,
       "The protocol family has not been configured into the system or no implementation for it "
       "exists."},
      {WSAEAFNOSUPPORT, "An address incompatible with the requested protocol was used."},
      {WSAEADDRINUSE,
       "Only one usage of each socket address (protocol/network address/port) is normally "
       "permitted."},
      {WSAEADDRNOTAVAIL, "The requested address is not valid in its context."},
      {WSAENETDOWN, "A socket operation encountered a dead network."},
      {WSAENETUNREACH, "A socket operation was attempted to an unreachable network."},
      {WSAENETRESET,
       "The connection has been broken due to keep-alive activity detecting a failure while the "
       "operation was in progress."},
      {WSAECONNABORTED,
       "An established connection was aborted by the software in your host machine."},
      {WSAECONNRESET, "An existing connection was forcibly closed by the remote host."},
      {WSAENOBUFS,
       "An operation on a socket could not be performed because the system lacked sufficient "
       "buffer space or because a queue was full."},
      {WSAEISCONN, "A connect request was made on an already connected socket."},
      {WSAENOTCONN,
       "A request to send or receive data was disallowed because the socket is not connected and "
       "(when sending on a datagram socket using a sendto call) no address was supplied."},
      {WSAESHUTDOWN,
       "A request to send or receive data was disallowed because the socket had already been "
       "shut down in that direction with a previous shutdown call."},
      {WSAETIMEDOUT,
       "A connection attempt failed because the connected party did not properly respond after a "
       "period of time, or established connection failed because connected host has failed to "
       "respond."},
      {WSAECONNREFUSED,
       "No connection could be made because the target machine actively refused it."},
      {WSAENAMETOOLONG, "A name component or a name was too long."},
      {WSAEHOSTDOWN, "A socket operation failed because the destination host was down."},
      {WSAEHOSTUNREACH, "A socket operation was attempted to an unreachable host."},
      {WSASYSNOTREADY,
       "WSAStartup cannot function at this time because the underlying system it uses to provide "
       "network services is currently unavailable."},
      {WSAVERNOTSUPPORTED, "The Windows Sockets version requested is not supported."},
      {WSANOTINITIALISED, "Either the application has not called WSAStartup, or WSAStartup failed."},
      {WSAHOST_NOT_FOUND, "No such host is known."},
      {WSATRY_AGAIN,
       "This is usually a temporary error during hostname resolution and means that the local "
       "server did not receive a response from an authoritative server."},
      {WSANO_RECOVERY, "A non-recoverable error occurred during a database lookup."},
      {WSANO_DATA, "The requested name is valid, but no data of the requested type was found."},
      // WinINet.
      {12001, "No more handles could be generated at this time."},
      {12002, "The operation timed out."},
      {12004, "An internal error occurred."},
      {12005, "The URL is invalid."},
      {12006, "The URL scheme could not be recognized, or is not supported."},
      {12007, "The server name or address could not be resolved."},
      {12017, "The operation was canceled."},
      {12018, "The type of handle supplied is incorrect for this operation."},
      {12029, "A connection with the server could not be established."},
      {12030, "The connection with the server was terminated abnormally."},
      {12031, "The connection with the server was reset."},
      {12152, "The server returned an invalid or unrecognized response."},
  };
  return table;
}

}  // namespace

DWORD GetLastError() { return t_last_error; }

void SetLastError(DWORD code) { t_last_error = code; }

namespace platform {

DWORD ErrorFromErrno(int err) {
  switch (err) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case ENOSPC: return ERROR_DISK_FULL;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EBUSY: return ERROR_BUSY;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ESPIPE: return ERROR_SEEK;
    case EIO: return ERROR_GEN_FAILURE;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ENOSYS:
    case EOPNOTSUPP: return ERROR_NOT_SUPPORTED;
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    default: return ERROR_GEN_FAILURE;
  }
}

DWORD SetLastErrorFromErrno(int err) {
  DWORD code = ErrorFromErrno(err);
  SetLastError(code);
  return code;
}

std::string ErrorMessageText(DWORD code) {
  auto it = MessageTable().find(code);
  return it == MessageTable().end() ? std::string() : std::string(it->second);
}

}  // namespace platform
