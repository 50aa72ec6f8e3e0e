#pragma once

namespace kavro {

struct ChangerContext;

// The hidden burn-in cycle for the factory: an arming chord, then within ten seconds one of two
// start keys runs CurrentMachine through its slots, 100 or 150, until the chord is pressed
// again. The window maps its keys (Ctrl+Shift+T arms and stops, then 1 or 5 starts).
enum class TestCycleKey { Chord, Start100, Start150 };

// Handles one key of the cycle. A start key runs the cycle inside this call; the window's
// pending events run between its steps, which is how the stopping chord arrives.
void TestCycleKeyPressed(ChangerContext& ctx, TestCycleKey key);

// The cycle itself over slots up to n (also callable directly). Ten rounds in a row in which the
// machine refused the move or was not ready after it end the cycle with "Auto Check Stop".
void RunTestCycle(ChangerContext& ctx, int n);

// The slot after slot in the cycle's order: 1 once it is above n, else one more.
int NextTestSlot(int slot, int n);

} // namespace kavro
