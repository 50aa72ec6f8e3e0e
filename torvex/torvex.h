/*
 * torvex - access to USB disc changers (vendor 0x04B4, product 0x5A9B).
 *
 * A changer ("machine") is named by the 24-bit id it reports about itself. Every command is
 * one or two indexed-string requests; the reply text is mapped to the result codes below.
 * All calls must come from one thread at a time: the library keeps one shared reply buffer
 * and takes no locks. No call allocates memory for the caller or keeps a caller's pointer.
 *
 * Licence: LGPL-2.1-or-later.
 */
#ifndef TORVEX_H
#define TORVEX_H

#if defined(_WIN32)
#  if defined(TORVEX_BUILDING)
#    define TORVEX_API __declspec(dllexport)
#  else
#    define TORVEX_API __declspec(dllimport)
#  endif
#  define TORVEX_CALL __stdcall
#else
#  if defined(TORVEX_BUILDING)
#    define TORVEX_API __attribute__((visibility("default")))
#  else
#    define TORVEX_API
#  endif
#  define TORVEX_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. Low four bits: acknowledged (0), error (1), busy (2), failure (3); a leading
 * "+" in the reply adds 16; "ERROR" followed by the digit n puts n in the high four bits. */
#define USBCD_OK 0          /* reply begins "ACK" */
#define USBCD_NO_DEVICE 1   /* no machine has this id; index out of range in EnumDevice */
#define USBCD_BUSY 2        /* reply begins "BUSY" */
#define USBCD_FAIL 3        /* not enumerated, refused, cannot open, request failed, unknown reply */
#define USBCD_CHANGED 8     /* only from USBCDchanged: the machines present differ from the baseline */
#define USBCD_PLUS_ACK 16   /* reply begins "+ACK" */
#define USBCD_ERROR1 17     /* reply begins "ERROR1" */
#define USBCD_PLUS_BUSY 18  /* reply begins "+BUSY" */
#define USBCD_ERROR2 33     /* reply begins "ERROR2" */
#define USBCD_ERROR3 49     /* reply begins "ERROR3" */
#define USBCD_ERROR4 65     /* reply begins "ERROR4" */
#define USBCD_ERROR5 81     /* reply begins "ERROR" followed by anything but the digits 1 to 4 */

/** Finds every machine present and takes their ids as the baseline for USBCDchanged.
 *  Returns 0 (also when no machine is found), or 3 when the device list cannot be obtained. */
TORVEX_API int TORVEX_CALL InitUSBKavro(void);

/** Closes every open machine handle. Always returns 0. */
TORVEX_API int TORVEX_CALL CloseUSBKavro(void);

/** Number of machines found by the last enumeration; 0 when not enumerated. */
TORVEX_API int TORVEX_CALL GetDeviceNumber(void);

/** Id of the machine at a table index (-1 when its id could not be read); 1 when the index is out
 *  of range; 3 when not enumerated. Walk 0 .. GetDeviceNumber() - 1 and take each result as an id. */
TORVEX_API int TORVEX_CALL EnumDevice(int index);

/** Resets a machine (code 11). Returns a result code. */
TORVEX_API int TORVEX_CALL USBCDReset(int id);

/** Brings a slot to the machine's door (code 12, then the slot). The slot is sent only when the
 *  first request answers 0; otherwise that first result is returned. */
TORVEX_API int TORVEX_CALL USBCDMoveto(int id, int slot);

/** Puts down the disc held by the arm (code 14). Returns a result code. */
TORVEX_API int TORVEX_CALL USBCDGetCDDown(int id);

/** Power on (code 15). Returns a result code. */
TORVEX_API int TORVEX_CALL USBCDLEDON(int id);

/** Power off (code 16). Returns a result code. */
TORVEX_API int TORVEX_CALL USBCDLEDOFF(int id);

/** Status request (code 17). Returns a result code. */
TORVEX_API int TORVEX_CALL USBCDGetStatus(int id);

/** Model text of a machine with drive support (code 9). On 0 the text (low byte of each reply
 *  unit, up to the first zero unit) and a terminating zero are written to text, which must hold
 *  at least 129 bytes, and its length to *length. Any failure, an unknown id included, gives 3. */
TORVEX_API int TORVEX_CALL USBCDGetType(int id, char *text, int *length);

/** Slot whose disc is in the drive (code 18, first reply unit); 0 when empty or on failure. */
TORVEX_API int TORVEX_CALL USBCDGetDriveCD(int id);

/** Loads a slot's disc into the drive (code 19, then the slot). As USBCDMoveto. */
TORVEX_API int TORVEX_CALL USBCDMovetoDrive(int id, int slot);

/** Returns the drive's disc to its slot (code 20). Returns a result code. */
TORVEX_API int TORVEX_CALL USBCDEject(int id);

/** Drive use counter (code 21). Returns 0, 1 or 3; *counter is written only on 0. */
TORVEX_API int TORVEX_CALL GetDriveCounter(int id, int *counter);

/** Clears the drive use counter (code 22). Returns a result code. */
TORVEX_API int TORVEX_CALL ClearDriveCounter(int id);

/** Enumerates again and compares the ids with the baseline of InitUSBKavro: 0 unchanged,
 *  8 changed (until the next InitUSBKavro), 3 when the device list cannot be obtained. */
TORVEX_API int TORVEX_CALL USBCDchanged(void);

#ifdef __cplusplus
}
#endif

#endif /* TORVEX_H */
