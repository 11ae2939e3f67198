// The seams of the decoding core that tests, the fuzzer and the benchmarks turn: they reach the
// threaded paths with small files and count what took them. The program leaves the defaults;
// change them only while no read runs.
#pragma once

#include <atomic>

// The 1/8-scale preview decoder of baseline files (io_jpg) decodes a large scan on two threads.
struct JPGDCTUNE {
    long split_bytes = 256 * 1024; // scan bytes from which a second thread helps
    bool guess_first = false;      // the second thread's guess ends before the first starts
    std::atomic<long> guessed{0};  // MCUs taken over from the second thread, all reads together
    std::atomic<long> taken{0};    // files decoded by the DC decoder, all reads together
};
extern JPGDCTUNE jpg_dc_tune;

// How the frames of one DICOM image are spread over threads (io_dcm4).
enum { DICOM_FRAME_THREADS = 8 };
struct DICOMFRAMETUNE {
    int threads = 0;               // 0: one per core, at most DICOM_FRAME_THREADS
    long min_samples = 256 * 1024; // fewer samples in all frames are decoded on one thread
    long frame_cpu_ms = 5000;      // after a frame that took longer, no further frame starts
    int round_frames = 4;          // a streamed read's frames per thread and round
};
extern DICOMFRAMETUNE dicom_frame_tune;
