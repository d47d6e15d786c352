/* Records exchanged with the remote-access library, in their 32-bit ANSI
 * layouts on every build, and the notifier's signature. Shared by the
 * dialer and the simulated service; C and C++. */
#ifndef NELVO_RAS_RECORDS_H
#define NELVO_RAS_RECORDS_H

#include <stdint.h>

#if defined(_WIN32) && defined(__i386__)
#define RAS_CALL __stdcall
#else
#define RAS_CALL
#endif

/* Connection handles are 32-bit values; 0 names no connection. */
typedef uint32_t HRASCONN;

#define RAS_MAX_ENTRY_NAME 256
#define RAS_MAX_PHONE_NUMBER 128
#define RAS_MAX_CALLBACK_NUMBER 128
#define RAS_MAX_DEVICE_TYPE 16
#define RAS_MAX_DEVICE_NAME 128
#define RAS_MAX_USER_NAME 256
#define RAS_MAX_PASSWORD 256
#define RAS_MAX_DOMAIN 15

typedef struct RASENTRYNAME {
  uint32_t dwSize;
  char szEntryName[RAS_MAX_ENTRY_NAME + 1];
} RASENTRYNAME;

typedef struct RASCONN {
  uint32_t dwSize;
  HRASCONN hrasconn;
  char szEntryName[RAS_MAX_ENTRY_NAME + 1];
  char szDeviceType[RAS_MAX_DEVICE_TYPE + 1];
  char szDeviceName[RAS_MAX_DEVICE_NAME + 1];
} RASCONN;

typedef struct RASCONNSTATUS {
  uint32_t dwSize;
  uint32_t rasconnstate;
  uint32_t dwError;
  char szDeviceType[RAS_MAX_DEVICE_TYPE + 1];
  char szDeviceName[RAS_MAX_DEVICE_NAME + 1];
} RASCONNSTATUS;

typedef struct RASDIALPARAMS {
  uint32_t dwSize;
  char szEntryName[RAS_MAX_ENTRY_NAME + 1];
  char szPhoneNumber[RAS_MAX_PHONE_NUMBER + 1];
  char szCallbackNumber[RAS_MAX_CALLBACK_NUMBER + 1];
  char szUserName[RAS_MAX_USER_NAME + 1];
  char szPassword[RAS_MAX_PASSWORD + 1];
  char szDomain[RAS_MAX_DOMAIN + 1];
} RASDIALPARAMS;

typedef struct RASDIALEXTENSIONS {
  uint32_t dwSize;
  uint32_t dwfOptions;
  uint32_t hwndParent;
  uint32_t reserved;
} RASDIALEXTENSIONS;

#ifdef __cplusplus
static_assert(sizeof(RASENTRYNAME) == 264, "RASENTRYNAME layout");
static_assert(sizeof(RASCONN) == 412, "RASCONN layout");
static_assert(sizeof(RASCONNSTATUS) == 160, "RASCONNSTATUS layout");
static_assert(sizeof(RASDIALPARAMS) == 1052, "RASDIALPARAMS layout");
static_assert(sizeof(RASDIALEXTENSIONS) == 16, "RASDIALEXTENSIONS layout");
#else
_Static_assert(sizeof(RASENTRYNAME) == 264, "RASENTRYNAME layout");
_Static_assert(sizeof(RASCONN) == 412, "RASCONN layout");
_Static_assert(sizeof(RASCONNSTATUS) == 160, "RASCONNSTATUS layout");
_Static_assert(sizeof(RASDIALPARAMS) == 1052, "RASDIALPARAMS layout");
_Static_assert(sizeof(RASDIALEXTENSIONS) == 16, "RASDIALEXTENSIONS layout");
#endif

/* Connection states (RASCONNSTATE). */
enum {
  RASCS_OpenPort = 0,
  RASCS_PortOpened = 1,
  RASCS_ConnectDevice = 2,
  RASCS_DeviceConnected = 3,
  RASCS_AllDevicesConnected = 4,
  RASCS_Authenticate = 5,
  RASCS_AuthNotify = 6,
  RASCS_AuthProject = 10,
  RASCS_Authenticated = 14,
  RASCS_Projected = 18,
  RASCS_Connected = 8192,
  RASCS_Disconnected = 8193
};

/* Error codes of the service that the dialer and the simulator use, and the
   interface's own (remote_access/interface_errors.cpp says what each means). */
enum {
  RAS_ERROR_ACCESS_DENIED = 5,
  RAS_ERROR_INVALID_HANDLE = 6,
  RAS_ERROR_NOT_ENOUGH_MEMORY = 8,
  RAS_ERROR_INVALID_PARAMETER = 87,
  RAS_ERROR_PROC_NOT_FOUND = 127, /* the dialer's: a hang-up it could not request */
  RAS_ERROR_BUFFER_TOO_SMALL = 603,
  RAS_ERROR_DEVICE_DOES_NOT_EXIST = 608,
  RAS_ERROR_CANNOT_FIND_PHONEBOOK_ENTRY = 623,
  RAS_ERROR_REMOTE_DISCONNECTION = 629,
  RAS_ERROR_USER_DISCONNECTION = 631,
  RAS_ERROR_INVALID_SIZE = 632,
  RAS_ERROR_PORT_NOT_AVAILABLE = 633,
  RAS_ERROR_UNKNOWN = 635,
  RAS_ERROR_REQUEST_TIMEOUT = 638,
  RAS_ERROR_FROM_DEVICE = 651,
  RAS_ERROR_NO_CONNECTION = 668,
  RAS_ERROR_LINE_BUSY = 676,
  RAS_ERROR_NO_ANSWER = 678,
  RAS_ERROR_NO_CARRIER = 679,
  RAS_ERROR_NO_DIALTONE = 680,
  RAS_ERROR_AUTHENTICATION_FAILURE = 691,
  RAS_ERROR_PORT_OR_DEVICE = 692,
  RAS_ERROR_INTERACTIVE_MODE = 703,
  RAS_ERROR_RASMAN_CANNOT_INITIALIZE = 711,
  RAS_ERROR_PPP_LCP_TERMINATED = 734,
  RAS_ERROR_AUTOMATIC_VPN_FAILED = 800,
  RAS_ERROR_VPN_DISCONNECT = 807,
  RAS_ERROR_VPN_TIMEOUT = 809,
  RAS_ERROR_INTERNAL = 1359, /* the interface's: a failure inside it (a lock error) */
  RAS_ERROR_IKE_AUTH_CREDENTIALS_UNACCEPTABLE = 13801
};

/* Notifier type 0 (RasDialFunc): message, new state, error code. */
typedef void(RAS_CALL* RasDialFunc)(uint32_t message, uint32_t state, uint32_t error);

/* The six functions and their pointer types: remote_access/ras_functions.h. */

#endif
