// Reads on several threads at once, as the album scan thread and the previews of the user
// interface thread run them: every result must equal the same read done alone. Meant for the
// ThreadSanitizer build (-DDRAVIK_TSAN=ON), where shared reader state is reported even when no
// read happened to overwrite another. Run it with TSAN_OPTIONS="halt_on_error=1
// log_path=stdout": the reads' stderr is captured, and a report with it.
#include <gtest/gtest.h>

#include "dicom/io_dcm4.h"
#include "dicom/io_dicom.h"
#include "image/image_testutil.h"
#include "image/io_jpg.h"
#include "image/test_hooks.h"
#include "io/io_read.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace {

enum { WAY_PROBE_DISPATCH, WAY_FULL_DISPATCH, WAY_DICOM_TEST };

struct READJOB {
    std::string path;
    int way;
    int preview;
};

template <class T> void Put(std::vector<uint8_t> *out, const T &v) {
    const auto *p = reinterpret_cast<const uint8_t *>(&v);
    out->insert(out->end(), p, p + sizeof v);
}

// Everything a read left in the record, as bytes: sizes, pixels, maps and the DICOM header
// fields the viewer shows.
void PutRecord(std::vector<uint8_t> *out, const FILEINFO &fi) {
    for (int v : {fi.w, fi.h, fi.bit, fi.ftyp, fi.frames, fi.maptyp, fi.mapentry})
        Put(out, v);
    if (fi.fbuf) {
        long n = FileBufferSize(fi.w, fi.h, fi.bit / 8, fi.frames > 0 ? fi.frames : 1);
        out->insert(out->end(), fi.fbuf, fi.fbuf + (n > 0 ? n : 0));
    }
    for (const uint16_t *m : {fi.rmap, fi.gmap, fi.bmap})
        if (m && fi.mapentry > 0)
            for (int i = 0; i <= fi.mapentry && i < 65536; i++)
                Put(out, m[i]);
    DICOMINFO info{};
    if (DicomInfoGet(&fi, &info) == 100) Put(out, info);
}

std::vector<uint8_t> RunRead(const READJOB &job) {
    std::vector<uint8_t> out;
    FILEREQ req;
    IoRequestInit(&req, job.path.c_str());
    req.preview = job.preview;
    FILEINFO fi{};
    if (job.way == WAY_DICOM_TEST) {
        DICOMCTX *ctx = DicomCtxCreate();
        Put(&out, IsFileDicom(&req, &fi, IO_READ_PROBE, ctx));
        Put(&out, ctx->dicomdesc);
        Put(&out, ctx->groups.dcmgroup0002);
        DicomCtxRelease(ctx);
    } else {
        void *r = job.way == WAY_PROBE_DISPATCH ? IoReadFile(&req, &fi, IO_READ_PROBE)
                                                : IoFindOrReadFileTyp(&req, &fi, IO_READ_FULL);
        Put(&out, r != nullptr);
    }
    PutRecord(&out, fi);
    DicomDataRelease(&fi);
    IoFreeRecord(&fi, "test");
    return out;
}

std::vector<READJOB> Jobs() {
    const char *dicom[] = {"implicit-mono2.dcm",
                           "explicit-mono1-16.dcm",
                           "explicit-multiframe.dcm",
                           "palette-explicit.dcm",
                           "palette-implicit.dcm",
                           "lossless-sv1.dcm",
                           "lossless-p14.dcm",
                           "truncated.dcm",
                           "ybr-full.dcm",
                           "bigendian.dcm",
                           "pixel/mf-range-ll.dcm",
                           "pixel/mf-range-rle.dcm",
                           "pixel/rgb-jpeg.dcm",
                           "pixel/grey-jpeg.dcm",
                           "pixel/pal16.dcm",
                           "pixel/ct-signed-ll.dcm",
                           "pixel/rgb-ll.dcm",
                           "baseline.dcm",
                           "pixel/mf-range-sv4pt2.dcm",
                           "pixel/rgb-rle.dcm",
                           "wild/be-s16.dcm",
                           "wild/deflated-s16.dcm",
                           "wild/deflated-u8-cut.dcm",
                           "wild/plain-implicit-be.dcm",
                           "wild/small.dcm",
                           "wild/bits1.dcm",
                           "wild/noimage-sr.dcm",
                           "codecs/jls-mf-near.dcm",
                           "codecs/jls-rgb-in.dcm",
                           "codecs/j2k-mf.dcm",
                           "codecs/j2k-rgb-ict.dcm",
                           "codecs/j2k-cut.dcm",
                           "codecs/jpeg12-ct.dcm"};
    const char *jpeg[] = {"col-160x120.jpg", "grey-37x23.jpg", "col-progressive.jpg",
                          "cmyk-adobe.jpg",  "col-exif.jpg",   "dc-420.jpg",
                          "dc-444-rst.jpg",  "dc-422.jpg",     "codecs/jpeg12-ct.jpg"};
    std::vector<READJOB> jobs;
    for (const char *name : dicom)
        for (int way : {WAY_PROBE_DISPATCH, WAY_FULL_DISPATCH, WAY_DICOM_TEST})
            jobs.push_back({DataPath(name), way, 0});
    for (const char *name : jpeg) {
        jobs.push_back({DataPath(name), WAY_PROBE_DISPATCH, 0});
        jobs.push_back({DataPath(name), WAY_FULL_DISPATCH, 0});
        jobs.push_back({DataPath(name), WAY_FULL_DISPATCH, 16}); // the album's thumbnail read
        jobs.push_back({DataPath(name), WAY_DICOM_TEST, 0});
    }
    return jobs;
}

} // namespace

TEST(ConcurrentRead, FourThreadsGiveWhatOneThreadGives) {
    // Small files take the parallel paths too: frames on several threads, the preview decoder's
    // second thread.
    DICOMFRAMETUNE frame_saved = dicom_frame_tune;
    long split_saved = jpg_dc_tune.split_bytes;
    dicom_frame_tune.min_samples = 0;
    dicom_frame_tune.threads = 3;
    jpg_dc_tune.split_bytes = 1;
    testing::internal::CaptureStderr();

    const std::vector<READJOB> jobs = Jobs();
    std::vector<std::vector<uint8_t>> want;
    for (const READJOB &job : jobs)
        want.push_back(RunRead(job));

    const int threads = 4, rounds = 6;
    std::vector<std::vector<size_t>> wrong(threads);
    std::atomic<int> started{0};
    std::vector<std::thread> pool;
    for (int t = 0; t < threads; t++)
        pool.emplace_back([&, t] {
            started++;
            while (started.load() < threads)
                std::this_thread::yield();
            // Each thread walks the jobs from another place, so different readers overlap.
            for (int round = 0; round < rounds; round++)
                for (size_t k = 0; k < jobs.size(); k++) {
                    size_t j = (k + size_t(t) * jobs.size() / threads) % jobs.size();
                    if (RunRead(jobs[j]) != want[j]) wrong[size_t(t)].push_back(j);
                }
        });
    for (std::thread &t : pool)
        t.join();

    testing::internal::GetCapturedStderr();
    dicom_frame_tune = frame_saved;
    jpg_dc_tune.split_bytes = split_saved;
    for (int t = 0; t < threads; t++)
        for (size_t j : wrong[size_t(t)])
            ADD_FAILURE() << "thread " << t << ": " << jobs[j].path << " way " << jobs[j].way
                          << " preview " << jobs[j].preview << " differs";
    // The references are real reads: all but the file without a picture give pixels.
    int full = 0, read = 0;
    for (size_t j = 0; j < jobs.size(); j++)
        if (jobs[j].way == WAY_FULL_DISPATCH) full++, read += want[j][0];
    EXPECT_EQ(full - 1, read);
}
