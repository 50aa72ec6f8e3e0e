#pragma once

namespace kavro {

struct ChangerContext;

// The action layer: the readiness check every machine action runs first and the composite
// actions built on the library calls. Machines are named by DeviceId. Every wait sleeps the
// user-interface thread through the context's clock.

// 0 ready, 1 no such machine, 2 busy (after a 1 s wait), 3 failed (the machine is reset); the
// acknowledgements "+ACK" and "+BUSY" count as ready after a 1 s wait; any other status comes
// back unchanged. Callers go ahead only on 0.
int CheckReady(ChangerContext& ctx, int machine);

// The message that a machine is not connected, then a reset of the machine.
void ShowNotConnected(ChangerContext& ctx, int machine);
// The same message without the reset (for flows that have reset the machine already).
void ShowNotConnectedMessage(ChangerContext& ctx);

// Whether a command result means the machine took the command ("ACK" or "+ACK").
bool Acknowledged(int result);

// A move, load or eject the machine did not carry out, told to the person: a machine that did
// not answer (no device, failed request) gets the not-connected message and a reset; a busy or
// erring one is named on the status bar. Nothing for an acknowledged result.
void ReportNotDone(ChangerContext& ctx, int machine, int result);

// Brings a slot to the machine's door: readiness (a missing machine is reported and reset, and
// the move is still tried), code 14, 1.5 s, then the move. The result of USBCDMoveto.
int MoveToSlot(ChangerContext& ctx, int machine, int slot);

// Closes the door left open, remembers this machine and slot as open, and when the machine is
// ready puts the arm's disc down. The non-zero CheckReady result, or the result of code 14.
int OpenDoor(ChangerContext& ctx, int machine, int slot);

// Puts the arm's disc of DoorMachine down when it is ready, and forgets the open door.
void CloseDoor(ChangerContext& ctx);

// Returns the drive's disc to its slot, shows the result and has the drive check report later.
// The result of USBCDEject.
int EjectDrive(ChangerContext& ctx, int machine);

// The power and reset menu actions on every registered machine that is ready.
void PowerOnAll(ChangerContext& ctx);
void PowerOffAll(ChangerContext& ctx);
void ResetAll(ChangerContext& ctx);

} // namespace kavro
