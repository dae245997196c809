#pragma once
// Engine entry points of the solver library: the life cycle of the library and of its worlds,
// reading a world from the native object stream the world object writes, and running it into the
// history block frame by frame. Numbers are doubles, counts and sizes 32-bit; a result is 0 or one
// of the library codes below. The program maps a library code k to its error number k - 29999
// (1202, out of memory, to -108), so 1201 becomes -28798 and 4997 becomes -25002.
//
// Each document keeps its own world (new_world), so that handing one document's world to the
// solver never replaces another's.

#include <cstdint>

// Results.
inline constexpr int32_t kEngineOk = 0;
inline constexpr int32_t kEngineStoreFull = 1201;     // the history block has no room for a frame
inline constexpr int32_t kEngineOutOfMemory = 1202;   // memory ran out
inline constexpr int32_t kEngineBadArgument = 1203;   // a null pointer, an impossible size, or a
                                                      // history block laid out for another world
inline constexpr int32_t kEngineNoWorld = 1204;       // run before a world was read
inline constexpr int32_t kEngineNotInitialised = 1205;  // a world asked for before init_engine
// The mechanics could not go on: the model cannot be built, a value stopped being a number, or
// the motion cannot be integrated or kept on its constraints (the step vanished, a closure broke).
inline constexpr int32_t kEngineBadModel = 1299;
inline constexpr int32_t kEngineNotANumber = 1298;
inline constexpr int32_t kEngineCannotContinue = 1297;
// A formula text of the stream that does not compile answers the formula compiler's code
// (1180..1190, see solver/formula/FormulaErrors.h); a name that binds to no object of the stream
// answers 1193; a formula that fails while running answers the evaluator's code (1191..1196).
// Signals and warnings of run_world. A warning is answered after the frame was written, once per
// kind and object; the status record names the objects concerned.
inline constexpr int32_t kEngineContinue = 2101;          // the progress callback asked to stop
inline constexpr int32_t kEngineWarnInaccurate = 2102;    // a fixed step missed the error allowed
inline constexpr int32_t kEngineWarnOverlap = 2103;       // bodies overlap beyond the overlap error
inline constexpr int32_t kEngineWarnRedundant = 2104;     // redundant constraints
inline constexpr int32_t kEngineWarnInconsistent = 2105;  // constraints that cannot all be met
// A collider too thin for the speeds reached: words 1 and 2 of the status record name it and the
// fastest body. Unlike the other warnings it is answered before the frame, which is not written;
// when the program calls again, the world starts over and runs with the smallest steps it takes,
// through which a body may pass.
inline constexpr int32_t kEngineWarnTooThin = 2106;
inline constexpr int32_t kEngineWarningFirst = 2100;      // every code of this range is a warning
inline constexpr int32_t kEngineWarningLast = 2199;
inline constexpr int32_t kEngineCannotRead = 4997;  // a truncated, inconsistent or absurd stream

// The history block: a header of eleven 32-bit words in host order, then the frames, each
// values-per-frame doubles. run_world reads the frame count and the values per frame, writes each
// new frame and then the frame count, and keeps the float size word at 64 and the time step
// (seconds per frame, words 2 and 3) current. Without a mark, frame f is stored at slot f. With a
// mark m > 0 (set by the program when it lets old frames go), frame 0 stays in slot 0 and frame
// f >= 1 is stored at slot 1 + (f - 1) % m, so the block never needs more than m + 1 slots; the
// first frame still held is then frame count - m + 1. Slot s begins at byte
// 44 + s * values-per-frame * 8.
inline constexpr int32_t kHistoryHeaderBytes = 44;
inline constexpr int32_t kHistoryWordFloatSize = 1;
inline constexpr int32_t kHistoryWordTimeStep = 2;  // a double over words 2 and 3
inline constexpr int32_t kHistoryWordMark = 8;
inline constexpr int32_t kHistoryWordFrameCount = 9;
inline constexpr int32_t kHistoryWordValuesPerFrame = 10;
inline constexpr int32_t kHistoryFloatSize = 64;

// An input value record as run_world reads it: 12 bytes, host order, no padding: the input's
// identifier (32-bit) and its value (double). A record with identifier 0 ends the list.
inline constexpr int32_t kInputRecordBytes = 12;

// The status record of run_world: three 32-bit words. Word 0 is the library code of the call's
// answer; words 1 and 2 are the stream identifiers of up to two objects the answer concerns (-1
// for none).
inline constexpr int32_t kStatusWords = 3;

// Called by run_world after each frame it computes (also those computed again without being
// written, when the world starts over). The status record is the run's; the pairs are (the frame
// reached, the frame the call is heading for), (the time reached, that frame's time) and
// (integration steps accepted, steps rejected) since the world started. A non-zero answer stops
// the call: run_world then answers kEngineContinue, keeping every frame written, and the next
// call goes on from there.
using EngineProgressCallback = int32_t (*)(int32_t* status, double frame, double lastFrame,
                                           double time, double lastTime, double accepted,
                                           double rejected);

struct EngineWorld;

// The library: init_engine before any world is made, free_engine after the last is freed.
int32_t init_engine();
int32_t free_engine();

// A world of its own for one document. free_world accepts null.
int32_t new_world(EngineWorld** world);
int32_t free_world(EngineWorld* world);

// Forgets the world read last and everything it computed.
int32_t clear_world(EngineWorld* world);

// Reads the world from the native object stream: the 8-byte header, then each object as its
// 16-bit identifier, its blocks (16-bit code, 32-bit length, contents) and the code -1, in host
// byte order. Blocks the solver does not use are skipped by their length. A stream that is
// truncated, inconsistent or absurd is refused (kEngineCannotRead) and the world left empty;
// the bytes are never read past count and are not kept.
int32_t read_world(EngineWorld* world, const uint8_t* bytes, int32_t count);
// Why the last read_world refused its stream, in words that name the object concerned: copied
// into text (size bytes at most, ended by a 0) and its length answered; 0 when the stream was
// read, or refused without words.
int32_t world_refusal(EngineWorld* world, char* text, int32_t size);

// Computes the next frame of the world read (frame 0, the starting state, when the block holds
// no frame) and writes it into the history block: the 8 values of each body in stream order (x,
// y, rotation, velocity x, velocity y, angular velocity, cosine and sine of the rotation; only the
// first 3 when the block's values per frame were counted with 3 per body), then the values each
// object of the stream records (its element list, an input's value), in stream order. The input records (inputBytes of them at most, up to the record with
// identifier 0) are applied before every step. When the block has no room for the frame the
// answer is kEngineStoreFull and nothing changes: the program grows the block and calls again,
// and the run goes on exactly as if it had not been interrupted. A block that holds fewer frames
// than the world has computed (0, or only frame 0 kept) or more (a history recorded earlier)
// starts the world again from frame 0 and computes, without writing, up to its last frame.
int32_t run_world(EngineWorld* world, const uint8_t* inputs, int32_t inputBytes, uint8_t* history,
                  int32_t historyBytes, EngineProgressCallback progress, int32_t* status);

// Ends a run call sequence after a failure or a move back along the recorded frames. A state that
// a failed call left half-stepped is dropped (the next run_world starts again and computes up to
// the block's last frame); an intact state is kept, and the next run_world goes on from the last
// frame written.
int32_t unlock_world(EngineWorld* world);

// The values the automatic run settings take for the world read (or for an empty world): the
// animation step in seconds, the integrator error, and the overlap and assembly errors in
// lengths.
int32_t suggest_external_dt(EngineWorld* world, double* animationStep, double* integratorError,
                            double* overlapError, double* assemblyError);

// The two values the world object asks its engine for: 1 the assembly error in force (the
// tolerance of the editor's geometry runs is based on it), 2 the overlap error in force.
int32_t engine_value(EngineWorld* world, int32_t which, double* value);
