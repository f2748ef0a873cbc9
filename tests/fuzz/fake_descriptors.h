// Standard input and output for the fuzz targets, in memory: read(2),
// write(2) and isatty(3) on two descriptors of the process are answered from
// here (the fuzz build links with --wrap for the three), so that one input
// runs without a system call and with chosen deliveries and failures.
#pragma once

#include <cstddef>
#include <cstdint>

// How the fake input delivers its bytes: reads of Chunk bytes at most, each
// EintrEvery-th read interrupted first (0: never), and read number FailAtRead
// failing with FailCode (0: none).
struct FakeInputPlan {
  const std::uint8_t* Bytes = nullptr;
  std::size_t Size = 0;
  std::size_t Chunk = 128;
  unsigned EintrEvery = 0;
  unsigned FailAtRead = 0;
  int FailCode = 5;
};

// How the fake output takes its bytes: writes of Chunk bytes at most, each
// EintrEvery-th write interrupted, write number FailAtWrite and every later one
// failing with FailCode (0: none), and whether it answers isatty as a terminal.
struct FakeOutputPlan {
  std::size_t Chunk = 1 << 20;
  unsigned EintrEvery = 0;
  unsigned FailAtWrite = 0;
  int FailCode = 28;
  bool Terminal = false;
};

// What the fake descriptors saw.
struct FakeTraffic {
  std::size_t Delivered = 0;  // input bytes handed out
  bool EndDelivered = false;  // a read returned 0
  unsigned Reads = 0;
  std::size_t Written = 0;       // output bytes taken, all kept up to kKeptOutput
  unsigned Writes = 0;           // successful write calls
  unsigned WriteAttempts = 0;    // every write call
  unsigned FullBlockWrites = 0;  // of them, writes of exactly 128 bytes
  std::size_t LastWriteSize = 0;
};

inline constexpr std::size_t kKeptOutput = 1 << 20;

// The two descriptors (open on /dev/null, so that fcntl and fstat see them
// open), and the output kept.
int FakeInputDescriptor();
int FakeOutputDescriptor();
const unsigned char* FakeOutputBytes();

// Starts a new run with the given plans.
void ResetFakeDescriptors(const FakeInputPlan& input, const FakeOutputPlan& output);
const FakeTraffic& Traffic();
