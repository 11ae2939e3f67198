// make-hostile DATA OUT: writes the hostile input set into OUT. Each file is small and claims far
// more than it holds, is cut short, or is no regular file at all. Names say what a reader must
// do: "refuse-*" must be refused by a limit, with a line that says why; "bad-*" must not give a
// picture; "ok-*" must; all others may do either.
// The files are built here from first principles (and libjpeg for JPEG streams), not with the
// reader's own code.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include <jpeglib.h>

namespace {

using Bytes = std::vector<uint8_t>;

std::string out_dir, data_dir;

void Put(const std::string &name, const Bytes &b) {
    std::string path = out_dir + "/" + name;
    FILE *fp = fopen(path.c_str(), "wb");
    if (!fp || (!b.empty() && fwrite(b.data(), 1, b.size(), fp) != b.size()) || fclose(fp) != 0) {
        fprintf(stderr, "make-hostile: cannot write %s\n", path.c_str());
        exit(1);
    }
}

Bytes Load(const std::string &name) {
    Bytes b;
    FILE *fp = fopen((data_dir + "/" + name).c_str(), "rb");
    if (!fp) {
        fprintf(stderr, "make-hostile: cannot read %s/%s\n", data_dir.c_str(), name.c_str());
        exit(1);
    }
    int c;
    while ((c = fgetc(fp)) != EOF)
        b.push_back(uint8_t(c));
    fclose(fp);
    return b;
}

Bytes Cut(const Bytes &b, size_t n) {
    return Bytes(b.begin(), b.begin() + long(n < b.size() ? n : b.size()));
}

void Le16(Bytes *b, uint32_t v) {
    b->push_back(uint8_t(v));
    b->push_back(uint8_t(v >> 8));
}

void Le32(Bytes *b, uint32_t v) {
    Le16(b, v & 0xFFFF);
    Le16(b, v >> 16);
}

/* ---- JPEG streams through libjpeg ---- */

// A w x h picture of soft gradients (or of one grey); grey or YCbCr, baseline or progressive.
Bytes JpegEncode(int w, int h, int comps, bool progressive, bool flat = false) {
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char *mem = nullptr;
    unsigned long len = 0;
    jpeg_mem_dest(&c, &mem, &len);
    c.image_width = JDIMENSION(w);
    c.image_height = JDIMENSION(h);
    c.input_components = comps;
    c.in_color_space = comps == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 80, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(size_t(w) * size_t(comps));
    while (c.next_scanline < c.image_height) {
        for (int x = 0; x < w * comps; x++)
            row[size_t(x)] = flat ? 128 : uint8_t((x * 7 + int(c.next_scanline) * 3) & 0xFF);
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    Bytes b(mem, mem + len);
    free(mem);
    return b;
}

// Offset of the first frame header (SOF0..SOF3) of a stream.
size_t JpegSof(const Bytes &b) {
    for (size_t i = 2; i + 9 < b.size(); i++)
        if (b[i] == 0xFF && b[i + 1] >= 0xC0 && b[i + 1] <= 0xC3) return i;
    fprintf(stderr, "make-hostile: no frame header\n");
    exit(1);
}

// The frame header's size claim changed; nothing else.
Bytes JpegClaim(Bytes b, int w, int h) {
    size_t at = JpegSof(b) + 5;
    b[at] = uint8_t(h >> 8), b[at + 1] = uint8_t(h);
    b[at + 2] = uint8_t(w >> 8), b[at + 3] = uint8_t(w);
    return b;
}

// Comment segments after SOI until the stream has grown to `size` bytes.
Bytes JpegPad(const Bytes &b, size_t size) {
    Bytes out(b.begin(), b.begin() + 2);
    size_t room = size > b.size() ? size - b.size() : 0;
    while (room >= 4) {
        size_t n = room - 4 < 65533 ? room - 4 : 65533;
        out.push_back(0xFF), out.push_back(0xFE);
        out.push_back(uint8_t((n + 2) >> 8)), out.push_back(uint8_t(n + 2));
        out.insert(out.end(), n, 'x');
        room -= n + 4;
    }
    out.insert(out.end(), b.begin() + 2, b.end());
    return out;
}

// `count` extra AC scans in front of the stream's EOI, each an end-of-band run over every block
// coded with a table of its own: cheap to store, a pass over the whole image for the decoder.
Bytes JpegEobScans(const Bytes &b, int blocks, int count) {
    Bytes out(b.begin(), b.end() - 2);
    // AC table 1: one code "0" for symbol 0xE0, an end-of-band run of 2^14 + 14 bits.
    static const uint8_t dht[] = {0xFF, 0xC4, 0x00, 0x14, 0x11, 1, 0, 0, 0, 0, 0,
                                  0,    0,    0,    0,    0,    0, 0, 0, 0, 0, 0xE0};
    out.insert(out.end(), dht, dht + sizeof dht);
    Bytes data;
    uint32_t acc = 0;
    int n = 0;
    auto bits = [&](uint32_t v, int len) {
        for (int i = len - 1; i >= 0; i--) {
            acc = acc << 1 | ((v >> i) & 1), n++;
            if (n == 8) {
                data.push_back(uint8_t(acc));
                if (uint8_t(acc) == 0xFF) data.push_back(0);
                acc = 0, n = 0;
            }
        }
    };
    for (int done = 0; done < blocks; done += 32767)
        bits(0x3FFF, 15);
    while (n)
        bits(1, 1);
    static const uint8_t sos[] = {0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x01, 0x01, 0x3F, 0x00};
    for (int i = 0; i < count; i++) {
        out.insert(out.end(), sos, sos + sizeof sos);
        out.insert(out.end(), data.begin(), data.end());
    }
    out.push_back(0xFF), out.push_back(0xD9);
    return out;
}

void MakeJpeg() {
    Bytes grey = JpegEncode(64, 48, 1, false);
    Bytes prog = JpegEncode(64, 48, 3, true);
    Put("ok-jpg-baseline.jpg", grey);
    Put("ok-jpg-progressive.jpg", prog);
    for (int pct : {10, 50, 90}) {
        Put("cut-jpg-baseline-" + std::to_string(pct) + ".jpg", Cut(grey, grey.size() * pct / 100));
        Put("cut-jpg-progressive-" + std::to_string(pct) + ".jpg",
            Cut(prog, prog.size() * pct / 100));
    }
    Put("cut-jpg-header.jpg", Cut(grey, JpegSof(grey) + 6));
    Put("refuse-jpg-claim-65500.jpg", JpegClaim(JpegEncode(8, 8, 3, false), 65500, 65500));
    Put("refuse-jpg-progressive-65500.jpg", JpegClaim(JpegEncode(8, 8, 3, true), 65500, 65500));
    // Long enough for a rule of pixels per byte, far beyond any memory budget when decoded.
    Put("refuse-jpg-progressive-46000-2mb.jpg",
        JpegPad(JpegClaim(JpegEncode(8, 8, 1, true), 46000, 46000), 2100000));
    // Within the image budget, beyond the decoder's: 588 MiB of coefficients until the last scan.
    Put("refuse-jpg-progressive-14000-coefficients.jpg",
        JpegPad(JpegClaim(JpegEncode(16, 16, 3, true), 14000, 14000), 200000));
    Put("jpg-scans-20000.jpg",
        JpegEobScans(JpegEncode(2048, 2048, 1, true, true), 2048 * 2048 / 64, 20000));
    Put("bad-jpg-size-0.jpg", JpegClaim(grey, 0, 0));
}

/* ---- DICOM ---- */

struct DCM {
    Bytes b;
    void Tag(uint16_t g, uint16_t e) { Le16(&b, g), Le16(&b, e); }
    // Explicit VR, short form.
    void Text(uint16_t g, uint16_t e, const char *vr, std::string v) {
        if (v.size() % 2) v += vr[0] == 'U' && vr[1] == 'I' ? '\0' : ' ';
        Tag(g, e);
        b.push_back(uint8_t(vr[0])), b.push_back(uint8_t(vr[1]));
        Le16(&b, uint32_t(v.size()));
        b.insert(b.end(), v.begin(), v.end());
    }
    void US(uint16_t g, uint16_t e, uint16_t v) {
        Tag(g, e);
        b.push_back('U'), b.push_back('S');
        Le16(&b, 2), Le16(&b, v);
    }
    void Long(uint16_t g, uint16_t e, const char *vr, uint32_t len) {
        Tag(g, e);
        b.push_back(uint8_t(vr[0])), b.push_back(uint8_t(vr[1]));
        Le16(&b, 0), Le32(&b, len);
    }
};

struct IMAGE {
    const char *syntax = "1.2.840.10008.1.2.1";
    int rows = 16, cols = 16, bits = 8, samples = 1;
    const char *photometric = "MONOCHROME2";
    std::string frames; // Number of Frames text, none when empty
};

// Preamble, meta header, image header and padding up to the pixel data element.
DCM DicomHeader(const IMAGE &im) {
    DCM d;
    d.b.assign(128, 0);
    d.b.insert(d.b.end(), {'D', 'I', 'C', 'M'});
    d.Text(0x0002, 0x0010, "UI", im.syntax);
    d.Text(0x0008, 0x0060, "CS", "OT");
    d.Text(0x0010, 0x0010, "PN", "Hostile^Input");
    d.US(0x0028, 0x0002, uint16_t(im.samples));
    d.Text(0x0028, 0x0004, "CS", im.photometric);
    if (!im.frames.empty()) d.Text(0x0028, 0x0008, "IS", im.frames);
    d.US(0x0028, 0x0010, uint16_t(im.rows));
    d.US(0x0028, 0x0011, uint16_t(im.cols));
    d.US(0x0028, 0x0100, uint16_t(im.bits));
    d.US(0x0028, 0x0101, uint16_t(im.bits));
    d.US(0x0028, 0x0102, uint16_t(im.bits - 1));
    d.US(0x0028, 0x0103, 0);
    // The reader wants 1024 bytes at least; a private text brings the header there.
    size_t pad = d.b.size() < 900 ? 900 - d.b.size() : 2;
    d.Text(0x0009, 0x0010, "LO", std::string(pad & ~size_t(1), 'p'));
    return d;
}

Bytes DicomNative(const IMAGE &im, const Bytes &pixels, uint32_t declared) {
    DCM d = DicomHeader(im);
    d.Long(0x7FE0, 0x0010, im.bits > 8 ? "OW" : "OB", declared);
    d.b.insert(d.b.end(), pixels.begin(), pixels.end());
    return d.b;
}

Bytes DicomEncapsulated(const IMAGE &im, const std::vector<Bytes> &frags) {
    DCM d = DicomHeader(im);
    d.Long(0x7FE0, 0x0010, "OB", 0xFFFFFFFFu);
    d.Tag(0xFFFE, 0xE000), Le32(&d.b, 0); // empty offset table
    for (const Bytes &f : frags) {
        d.Tag(0xFFFE, 0xE000), Le32(&d.b, uint32_t(f.size()));
        d.b.insert(d.b.end(), f.begin(), f.end());
    }
    d.Tag(0xFFFE, 0xE0DD), Le32(&d.b, 0);
    return d.b;
}

// One RLE Lossless frame of a single 8-bit sample plane, literal runs only.
Bytes RleFrame(const Bytes &plane) {
    Bytes f;
    Le32(&f, 1), Le32(&f, 64);
    f.resize(64, 0);
    for (size_t i = 0; i < plane.size(); i += 128) {
        size_t n = plane.size() - i < 128 ? plane.size() - i : 128;
        f.push_back(uint8_t(n - 1));
        f.insert(f.end(), plane.begin() + long(i), plane.begin() + long(i + n));
    }
    if (f.size() % 2) f.push_back(0x80);
    return f;
}

// The frame header of a lossless JPEG stream with another size claim.
Bytes LjpegClaim(Bytes b, int w, int h) {
    for (size_t i = 2; i + 9 < b.size(); i++)
        if (b[i] == 0xFF && b[i + 1] == 0xC3) {
            b[i + 5] = uint8_t(h >> 8), b[i + 6] = uint8_t(h);
            b[i + 7] = uint8_t(w >> 8), b[i + 8] = uint8_t(w);
            return b;
        }
    fprintf(stderr, "make-hostile: no lossless frame header\n");
    exit(1);
}

// The first fragment of an encapsulated DICOM file's pixel data: the codestream of frame 0.
Bytes FirstFragment(const Bytes &dcm) {
    const uint8_t tag[] = {0xE0, 0x7F, 0x10, 0x00};
    size_t at = 0;
    for (size_t i = 0; i + 4 <= dcm.size(); i++)
        if (!memcmp(&dcm[i], tag, 4)) at = i;
    auto le32 = [&](size_t i) {
        return uint32_t(dcm[i] | dcm[i + 1] << 8 | dcm[i + 2] << 16 | uint32_t(dcm[i + 3]) << 24);
    };
    at += 12;               // the element's header
    at += 8 + le32(at + 4); // the offset table
    return Bytes(dcm.begin() + long(at + 8), dcm.begin() + long(at + 8 + le32(at + 4)));
}

// A JPEG 2000 codestream (SIZ right after SOC, one tile) or a JPEG-LS stream (SOF55) with
// another size claim.
Bytes CodecClaim(Bytes b, int w, int h) {
    auto be32 = [&](size_t i, uint32_t v) {
        for (int k = 0; k < 4; k++)
            b[i + size_t(k)] = uint8_t(v >> (24 - 8 * k));
    };
    if (b.size() > 40 && b[2] == 0xFF && b[3] == 0x51) {
        be32(8, uint32_t(w)), be32(12, uint32_t(h)), be32(24, uint32_t(w)), be32(28, uint32_t(h));
        return b;
    }
    for (size_t i = 2; i + 9 < b.size(); i++)
        if (b[i] == 0xFF && b[i + 1] == 0xF7) {
            b[i + 5] = uint8_t(h >> 8), b[i + 6] = uint8_t(h);
            b[i + 7] = uint8_t(w >> 8), b[i + 8] = uint8_t(w);
            return b;
        }
    fprintf(stderr, "make-hostile: no codec frame header\n");
    exit(1);
}

// JPEG 2000 and JPEG-LS: a good file, a cut one, frames claimed, and sizes past the decoder and
// image budgets, in the DICOM header and the codestream alike.
void MakeDicomCodecs() {
    struct {
        const char *kind, *vector, *syntax;
    } codecs[] = {{"j2k", "codecs/j2k-grey8odd.dcm", "1.2.840.10008.1.2.4.90"},
                  {"jls", "codecs/jls-grey8odd.dcm", "1.2.840.10008.1.2.4.80"}};
    for (const auto &c : codecs) {
        IMAGE im;
        im.syntax = c.syntax;
        im.rows = 17, im.cols = 33;
        Bytes cs = FirstFragment(Load(c.vector));
        std::string k = c.kind;
        Bytes ok = DicomEncapsulated(im, {cs});
        Put("ok-dcm-" + k + ".dcm", ok);
        Put("cut-dcm-" + k + ".dcm", Cut(ok, ok.size() - cs.size() / 2));
        im.frames = "2147483647";
        Put("dcm-" + k + "-frames-2g.dcm", DicomEncapsulated(im, {cs, cs}));
        im.frames.clear();
        for (int edge : {12000, 46000}) {
            im.rows = im.cols = edge;
            Put("refuse-dcm-" + k + "-" + std::to_string(edge) + ".dcm",
                DicomEncapsulated(im, {CodecClaim(cs, edge, edge)}));
        }
    }
}

void MakeDicom() {
    IMAGE im;
    Bytes ramp(16 * 16);
    for (size_t i = 0; i < ramp.size(); i++)
        ramp[i] = uint8_t(i);
    Bytes native = DicomNative(im, ramp, uint32_t(ramp.size()));
    Put("ok-dcm-native.dcm", native);
    Put("cut-dcm-native.dcm", Cut(native, native.size() - 100));

    IMAGE big = im;
    big.rows = big.cols = 46340;
    big.bits = 16;
    // 1,100 bytes that claim 4 GB of 16-bit pixels: with the length that would hold them, and
    // with the length of what is there.
    Bytes few(1100 - DicomNative(big, {}, 0).size(), 0);
    Put("refuse-dcm-native-46340.dcm", DicomNative(big, few, 46340u * 46340u * 2u));
    Put("refuse-dcm-native-46340-short.dcm", DicomNative(big, few, uint32_t(few.size())));

    IMAGE frames = im;
    frames.rows = frames.cols = 1;
    frames.frames = "2147483647";
    Put("refuse-dcm-native-frames-2g.dcm", DicomNative(frames, Bytes(200, 7), 0xFFFFFFF0u));
    frames.frames = "-5";
    Put("refuse-dcm-native-frames-negative.dcm", DicomNative(frames, Bytes(200, 7), 200));
    frames.frames = "21474837";
    Put("refuse-dcm-native-frames-21m.dcm", DicomNative(frames, Bytes(200, 7), 21474838));

    IMAGE ll = im;
    ll.syntax = "1.2.840.10008.1.2.4.70";
    ll.rows = 30, ll.cols = 40;
    Bytes ljp = Load("ljpeg/e1-u8.ljp");
    Bytes lossless = DicomEncapsulated(ll, {ljp});
    Put("ok-dcm-lossless.dcm", lossless);
    Put("cut-dcm-lossless.dcm", Cut(lossless, lossless.size() - 300));
    ll.frames = "2147483647";
    Put("dcm-lossless-frames-2g.dcm", DicomEncapsulated(ll, {ljp, ljp}));
    ll.frames.clear();
    ll.rows = ll.cols = 65500;
    Put("refuse-dcm-lossless-65500.dcm", DicomEncapsulated(ll, {LjpegClaim(ljp, 65500, 65500)}));

    IMAGE jp = im;
    jp.syntax = "1.2.840.10008.1.2.4.50";
    jp.rows = jp.cols = 8;
    Bytes jpeg = DicomEncapsulated(jp, {JpegEncode(8, 8, 1, false)});
    Put("ok-dcm-jpeg.dcm", jpeg);
    Put("cut-dcm-jpeg.dcm", Cut(jpeg, jpeg.size() - 120));
    // An 8 x 8 image whose one fragment is a progressive stream declaring 65500 x 65500.
    Put("dcm-jpeg-fragment-65500.dcm",
        DicomEncapsulated(jp, {JpegClaim(JpegEncode(8, 8, 1, true), 65500, 65500)}));
    jp.rows = jp.cols = 46000;
    Put("refuse-dcm-jpeg-46000.dcm",
        DicomEncapsulated(jp, {JpegClaim(JpegEncode(8, 8, 1, true), 46000, 46000)}));
    jp.rows = jp.cols = 8;
    jp.frames = "2147483647";
    Put("dcm-jpeg-frames-2g.dcm", DicomEncapsulated(jp, {JpegEncode(8, 8, 1, false)}));

    IMAGE rle = im;
    rle.syntax = "1.2.840.10008.1.2.5";
    Bytes rlef = RleFrame(ramp);
    Bytes rledcm = DicomEncapsulated(rle, {rlef});
    Put("ok-dcm-rle.dcm", rledcm);
    Put("cut-dcm-rle.dcm", Cut(rledcm, rledcm.size() - 150));
    rle.frames = "2147483647";
    Put("dcm-rle-frames-2g.dcm", DicomEncapsulated(rle, {rlef, rlef, rlef}));
    rle.frames.clear();
    rle.rows = rle.cols = 65535;
    Put("refuse-dcm-rle-65535.dcm", DicomEncapsulated(rle, {rlef}));

    // Other toolkits' forms: big endian, deflated, bare data sets, packed bits, no picture.
    Bytes be = Load("wild/be-s16.dcm"), deflated = Load("wild/deflated-s16.dcm");
    Put("ok-dcm-big-endian.dcm", be);
    Put("ok-dcm-deflated.dcm", deflated);
    Put("ok-dcm-plain-implicit-be.dcm", Load("wild/plain-implicit-be.dcm"));
    Put("ok-dcm-bits1.dcm", Load("wild/bits1.dcm"));
    Put("cut-dcm-deflated.dcm", Cut(deflated, deflated.size() - 300));
    Put("dcm-noimage-sr.dcm", Load("wild/noimage-sr.dcm"));
    // The first data-set element's length past the end; the stream's start overwritten.
    const size_t be_meta = 144 + (be[140] | be[141] << 8);
    be[be_meta + 6] = 0xFF;
    Put("bad-dcm-big-endian-length.dcm", be);
    const size_t df_meta = 144 + (deflated[140] | deflated[141] << 8);
    for (size_t i = df_meta; i < df_meta + 16; i++)
        deflated[i] = 0xFF;
    Put("bad-dcm-deflated-stream.dcm", deflated);
    MakeDicomCodecs();
}

/* ---- albums ---- */

const int album_widths[16] = {13, 96, 256, 100, 40, 40, 30, 30, 30, 10, 10, 1, 1, 20, 30, 30};
const int album_at[16] = {22, 24, 46, 48, 50, 52, 54, 56, 58, 60, 62, 64, 65, 66, 68, 70};

Bytes AlbumHeader(const int *widths) {
    Bytes h(222, 0);
    memcpy(h.data(), "#0100#unx#8375#ALB#999", 22);
    for (int i = 0; i < 16; i++) {
        h[size_t(album_at[i])] = uint8_t(widths[i]);
        if (i != 11 && i != 12) h[size_t(album_at[i]) + 1] = uint8_t(widths[i] >> 8);
    }
    return h;
}

// One entry of the built-in layout: the name in field 2, a size in fields 9 and 10.
Bytes AlbumEntry(const std::string &name, const Bytes &thumb) {
    Bytes e = {'+', 'S', 'K', '+'};
    size_t block = 0;
    for (int i = 2; i < 16; i++)
        block += size_t(album_widths[i]);
    size_t at = e.size();
    e.resize(at + block, 0);
    memcpy(&e[at], name.data(), name.size() < 256 ? name.size() : 256);
    memcpy(&e[at + 256 + 100 + 40 + 40 + 30 + 30 + 30], "16", 2);
    memcpy(&e[at + 256 + 100 + 40 + 40 + 30 + 30 + 30 + 10], "16", 2);
    e.insert(e.end(), thumb.begin(), thumb.end());
    return e;
}

void MakeAlbum() {
    Bytes thumb = JpegEncode(16, 16, 3, false);
    Bytes ok = AlbumHeader(album_widths);
    for (const char *name : {"/photos/a.jpg", "/photos/b.jpg"}) {
        Bytes e = AlbumEntry(name, thumb);
        ok.insert(ok.end(), e.begin(), e.end());
    }
    Put("ok-album.alb", ok);
    Put("cut-album.alb", Cut(ok, ok.size() - 200));
    Put("cut-album-header.alb", Cut(ok, 100));

    // Terminal controls in names: ESC sequences, DEL, CSI as a byte and as UTF-8.
    Bytes ctl = AlbumHeader(album_widths);
    for (std::string name : {std::string("/x/\x1b[2J\x1b]0;owned\x07.jpg"),
                             std::string("/x/\x9b"
                                         "31m.jpg"),
                             std::string("/x/\xc2\x9b"
                                         "1m\x7f.jpg"),
                             std::string("/x/tab\there.jpg")}) {
        Bytes e = AlbumEntry(name, thumb);
        ctl.insert(ctl.end(), e.begin(), e.end());
    }
    Put("album-control-names.alb", ctl);

    // Field widths of 0xFFFF and a megabyte of bare markers: each entry is 4 bytes.
    int wide[16];
    for (int i = 0; i < 16; i++)
        wide[i] = i == 11 || i == 12 ? 0xFF : 0xFFFF;
    wide[0] = 13;
    Bytes markers = AlbumHeader(wide);
    while (markers.size() < (1u << 20))
        markers.insert(markers.end(), {'+', 'S', 'K', '+'});
    Put("album-wide-fields.alb", markers);

    // A thumbnail that declares 65500 x 65500.
    Bytes claim = AlbumHeader(album_widths);
    Bytes e = AlbumEntry("/x/claim.jpg", JpegClaim(thumb, 65500, 65500));
    claim.insert(claim.end(), e.begin(), e.end());
    Put("album-thumb-65500.alb", claim);
}

void MakeSpecial() {
    Put("bad-empty.jpg", {});
    Put("bad-one-byte.dcm", {0xFF});
    Put("bad-garbage.dcm", Bytes(4096, 0x28));
    std::string fifo = out_dir + "/bad-fifo.jpg";
    if (mkfifo(fifo.c_str(), 0600) != 0 && errno != EEXIST) {
        fprintf(stderr, "make-hostile: mkfifo %s: %s\n", fifo.c_str(), strerror(errno));
        exit(1);
    }
    std::string dir = out_dir + "/directory.dcm";
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        fprintf(stderr, "make-hostile: mkdir %s: %s\n", dir.c_str(), strerror(errno));
        exit(1);
    }
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: make-hostile DATA-DIR OUT-DIR\n");
        return 2;
    }
    data_dir = argv[1];
    out_dir = argv[2];
    mkdir(out_dir.c_str(), 0700);
    MakeJpeg();
    MakeDicom();
    MakeAlbum();
    MakeSpecial();
    return 0;
}
