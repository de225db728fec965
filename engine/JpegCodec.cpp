// libjpeg glue. Every jpeg_* call of the program is in this file. Each entry point sets its
// setjmp target first and holds no object with a destructor in the frames libjpeg may jump over.
#include "JpegCodec.h"

#include "Bitmap24.h"
#include "CoefficientStore.h"
#include "EngineError.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>
#include <turbojpeg.h>

namespace vantorel {

void WarningList::Add(std::string text) {
    if (m_count < kMaxWarnings)
        m_texts.push_back(std::move(text));
    ++m_count;
}

void WarningList::Clear() {
    m_texts.clear();
    m_count = 0;
}

std::vector<std::string> WarningList::Texts() const {
    std::vector<std::string> texts = m_texts;
    if (m_count > kMaxWarnings)
        texts.push_back(std::to_string(m_count - kMaxWarnings).append(" more warnings"));
    return texts;
}

std::vector<ComponentLayout> ComputeLayout(int width, int height, bool grayscale, const std::array<int, 3>& h,
                                           const std::array<int, 3>& v) {
    const int count = grayscale ? 1 : 3;
    int maxH = 1, maxV = 1;
    if (!grayscale)
        for (int c = 0; c < count; ++c) {
            maxH = std::max(maxH, h[c]);
            maxV = std::max(maxV, v[c]);
        }
    std::vector<ComponentLayout> layout(static_cast<std::size_t>(count));
    for (int c = 0; c < count; ++c) {
        ComponentLayout& l = layout[static_cast<std::size_t>(c)];
        l.HSamp = grayscale ? 1 : h[c];
        l.VSamp = grayscale ? 1 : v[c];
        const long long w = static_cast<long long>(width) * l.HSamp;
        const long long hh = static_cast<long long>(height) * l.VSamp;
        l.WidthInBlocks = static_cast<int>((w + 8LL * maxH - 1) / (8LL * maxH));
        l.HeightInBlocks = static_cast<int>((hh + 8LL * maxV - 1) / (8LL * maxV));
        l.ArrayWidth = (l.WidthInBlocks + l.HSamp - 1) / l.HSamp * l.HSamp;
        l.ArrayHeight = (l.HeightInBlocks + l.VSamp - 1) / l.VSamp * l.VSamp;
    }
    return layout;
}

namespace {

constexpr std::size_t kOutputBufferSize = 4096;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    WarningList* warnings;
    std::exception_ptr pending; // thrown by a callback; rethrown once libjpeg has been left
};

struct Destination {
    jpeg_destination_mgr pub;
    std::vector<std::uint8_t>* bytes;
    JOCTET buffer[kOutputBufferSize];
};

struct Progress {
    jpeg_progress_mgr pub;
    const JpegWriter::PassProgress* handler;
    ErrorManager* err;
};

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void EmitMessage(j_common_ptr cinfo, int level) {
    if (level >= 0)
        return; // trace messages
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    cinfo->err->num_warnings++;
    bool failed = false;
    try {
        if (err->warnings)
            err->warnings->Add(text);
    } catch (...) {
        err->pending = std::current_exception();
        failed = true;
    }
    if (failed)
        std::longjmp(err->jump, 1);
}

void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kOutputBufferSize;
}

void AppendOutput(j_compress_ptr cinfo, std::size_t count) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    bool failed = false;
    try {
        dest->bytes->insert(dest->bytes->end(), dest->buffer, dest->buffer + count);
    } catch (...) {
        err->pending = std::current_exception();
        failed = true;
    }
    if (failed)
        std::longjmp(err->jump, 1);
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    AppendOutput(cinfo, kOutputBufferSize);
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kOutputBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<Destination*>(cinfo->dest);
    AppendOutput(cinfo, kOutputBufferSize - dest->pub.free_in_buffer);
}

// Calls the handler with the codec's pass counters; what it throws is kept and libjpeg is left
// through the error jump, so that no exception crosses its frames.
void CallPassHandler(const jpeg_progress_mgr& pub, const JpegWriter::PassProgress* handler, ErrorManager* err) {
    if (!handler || !*handler)
        return;
    bool failed = false;
    try {
        (*handler)(pub.pass_counter, pub.pass_limit, pub.completed_passes, pub.total_passes);
    } catch (...) {
        err->pending = std::current_exception();
        failed = true;
    }
    if (failed)
        std::longjmp(err->jump, 1);
}

void ProgressMonitor(j_common_ptr cinfo) {
    auto* progress = reinterpret_cast<Progress*>(cinfo->progress);
    CallPassHandler(progress->pub, progress->handler, progress->err);
}

void CopyHuffmanTable(JHUFF_TBL* target, const HuffmanTable& table) {
    std::memcpy(target->bits, table.Bits.data(), sizeof(target->bits));
    std::memcpy(target->huffval, table.Values.data(), sizeof(target->huffval));
    target->sent_table = FALSE;
}

} // namespace

struct JpegWriter::State {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    Destination dest;
    Progress progress;
    // The coefficients live in a CoefficientStore, not in libjpeg's virtual arrays: the handles below
    // stand for its components, and the memory manager's access method is routed to it.
    char handleTags[MAX_COMPONENTS];
    jvirt_barray_ptr handles[MAX_COMPONENTS];
    std::vector<JBLOCKROW> rows[MAX_COMPONENTS];
    JBLOCKARRAY (*libraryAccess)(j_common_ptr, jvirt_barray_ptr, JDIMENSION, JDIMENSION, boolean) = nullptr;
    bool created = false;
};

namespace {

JBLOCKARRAY AccessStoredArray(j_common_ptr cinfo, jvirt_barray_ptr array, JDIMENSION startRow, JDIMENSION rows,
                              boolean writable) {
    auto* st = static_cast<JpegWriter::State*>(cinfo->client_data);
    for (int c = 0; c < MAX_COMPONENTS; ++c)
        if (array == st->handles[c])
            return st->rows[c].data() + startRow;
    return st->libraryAccess(cinfo, array, startRow, rows, writable);
}

} // namespace

namespace {

[[noreturn]] void ThrowFailure(JpegWriter::State& st) {
    if (st.err.pending) {
        std::exception_ptr pending = st.err.pending;
        st.err.pending = nullptr;
        std::rethrow_exception(pending);
    }
    throw EJPEG(st.err.message);
}

} // namespace

JpegWriter::JpegWriter(WarningList* warnings) : m_state(std::make_unique<State>()) {
    State& st = *m_state;
    std::memset(&st.cinfo, 0, sizeof(st.cinfo));
    st.cinfo.err = jpeg_std_error(&st.err.pub);
    st.err.pub.error_exit = ErrorExit;
    st.err.pub.emit_message = EmitMessage;
    st.err.message[0] = '\0';
    st.err.warnings = warnings;
    if (setjmp(st.err.jump))
        ThrowFailure(st);
    jpeg_create_compress(&st.cinfo);
    st.created = true;
    st.dest.pub.init_destination = InitDestination;
    st.dest.pub.empty_output_buffer = EmptyOutputBuffer;
    st.dest.pub.term_destination = TermDestination;
    st.dest.bytes = &m_bytes;
    st.cinfo.dest = &st.dest.pub;
    st.progress.pub.progress_monitor = ProgressMonitor;
    st.progress.handler = nullptr;
    st.progress.err = &st.err;
    st.cinfo.progress = &st.progress.pub;
    st.cinfo.client_data = &st;
    for (int c = 0; c < MAX_COMPONENTS; ++c)
        st.handles[c] = reinterpret_cast<jvirt_barray_ptr>(&st.handleTags[c]);
    st.libraryAccess = st.cinfo.mem->access_virt_barray;
    st.cinfo.mem->access_virt_barray = AccessStoredArray;
}

JpegWriter::~JpegWriter() {
    if (m_state->created)
        jpeg_destroy_compress(&m_state->cinfo);
}

void JpegWriter::Begin(const JpegWriterSetup& s) {
    m_layout = ComputeLayout(s.Width, s.Height, s.Grayscale, s.HSampling, s.VSampling);
    State& st = *m_state;
    jpeg_compress_struct& cinfo = st.cinfo;
    if (setjmp(st.err.jump))
        ThrowFailure(st);

    cinfo.image_width = static_cast<JDIMENSION>(s.Width);
    cinfo.image_height = static_cast<JDIMENSION>(s.Height);
    cinfo.input_components = s.Grayscale ? 1 : 3;
    cinfo.in_color_space = s.Grayscale ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, s.Grayscale ? JCS_GRAYSCALE : JCS_YCbCr);
    for (int c = 0; c < cinfo.num_components; ++c) {
        cinfo.comp_info[c].h_samp_factor = m_layout[static_cast<std::size_t>(c)].HSamp;
        cinfo.comp_info[c].v_samp_factor = m_layout[static_cast<std::size_t>(c)].VSamp;
    }

    unsigned int table[64];
    for (int k = 0; k < 64; ++k)
        table[k] = s.LumaTable[static_cast<std::size_t>(k)];
    jpeg_add_quant_table(&cinfo, 0, table, 100, TRUE);
    if (!s.Grayscale) {
        for (int k = 0; k < 64; ++k)
            table[k] = s.ChromaTable[static_cast<std::size_t>(k)];
        jpeg_add_quant_table(&cinfo, 1, table, 100, TRUE);
    }

    cinfo.dct_method = JDCT_ISLOW;
    cinfo.smoothing_factor = 0;
    cinfo.optimize_coding = s.OptimizeInCodec ? TRUE : FALSE;
    cinfo.restart_interval = s.RestartInterval;
    cinfo.density_unit = s.DensityUnit;
    cinfo.X_density = s.XDensity;
    cinfo.Y_density = s.YDensity;
    cinfo.write_JFIF_header = s.WriteJfif ? TRUE : FALSE;
    if (s.Progressive)
        jpeg_simple_progression(&cinfo);

}

void JpegWriter::SetHuffmanTables(const HuffmanTable& dc0, const HuffmanTable& ac0, const HuffmanTable* dc1,
                                  const HuffmanTable* ac1) {
    State& st = *m_state;
    jpeg_compress_struct& cinfo = st.cinfo;
    if (setjmp(st.err.jump))
        ThrowFailure(st);
    const auto table = [&](JHUFF_TBL*& slot) -> JHUFF_TBL* {
        if (!slot)
            slot = jpeg_alloc_huff_table(reinterpret_cast<j_common_ptr>(&cinfo));
        return slot;
    };
    CopyHuffmanTable(table(cinfo.dc_huff_tbl_ptrs[0]), dc0);
    CopyHuffmanTable(table(cinfo.ac_huff_tbl_ptrs[0]), ac0);
    if (dc1)
        CopyHuffmanTable(table(cinfo.dc_huff_tbl_ptrs[1]), *dc1);
    if (ac1)
        CopyHuffmanTable(table(cinfo.ac_huff_tbl_ptrs[1]), *ac1);
    cinfo.optimize_coding = FALSE;
}

int JpegWriter::CodecPasses() const {
    const jpeg_compress_struct& cinfo = m_state->cinfo;
    const int scans = cinfo.num_scans > 0 ? cinfo.num_scans : 1;
    return cinfo.optimize_coding ? 2 * scans : scans;
}

void JpegWriter::PrepareRows(const CoefficientStore& coefficients, std::size_t sizeHint) {
    static_assert(sizeof(JCOEF) == sizeof(std::int16_t), "coefficients are 16-bit");
    m_bytes.clear();
    m_bytes.reserve(sizeHint);
    for (std::size_t c = 0; c < m_layout.size(); ++c) {
        const ComponentLayout& l = m_layout[c];
        std::vector<JBLOCKROW>& rows = m_state->rows[c];
        rows.resize(static_cast<std::size_t>(l.ArrayHeight));
        for (int r = 0; r < l.ArrayHeight; ++r)
            rows[static_cast<std::size_t>(r)] = reinterpret_cast<JBLOCKROW>(coefficients.BlockRow(static_cast<int>(c), r));
    }
}

void JpegWriter::Finish(const CoefficientStore& coefficients, const std::vector<JpegMarker>& markers,
                        const PassProgress& progress, std::size_t sizeHint) {
    PrepareRows(coefficients, sizeHint);
    State& st = *m_state;
    jpeg_compress_struct& cinfo = st.cinfo;
    st.progress.handler = &progress;
    if (setjmp(st.err.jump)) {
        st.progress.handler = nullptr;
        ThrowFailure(st);
    }
    jpeg_write_coefficients(&cinfo, st.handles);
    for (const JpegMarker& marker : markers)
        jpeg_write_marker(&cinfo, marker.Code, reinterpret_cast<const JOCTET*>(marker.Payload.data()),
                          static_cast<unsigned int>(marker.Payload.size()));
    jpeg_finish_compress(&cinfo);
    st.progress.handler = nullptr;
}

// --- reading ------------------------------------------------------------------------------------

namespace {

struct DecompressProgress {
    jpeg_progress_mgr pub;
    ErrorManager* err;
    const JpegWriter::PassProgress* handler;
};

// Refuses files with too many scans (each scan of a progressive file costs a pass over the whole
// coefficient buffer) and forwards pass progress to the handler.
void DecompressMonitor(j_common_ptr cinfo) {
    auto* progress = reinterpret_cast<DecompressProgress*>(cinfo->progress);
    auto* dinfo = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (dinfo->input_scan_number > kMaxScans) {
        std::snprintf(progress->err->message, sizeof progress->err->message,
                      "Too many scans in the JPEG file (more than %d)", kMaxScans);
        std::longjmp(progress->err->jump, 1);
    }
    CallPassHandler(progress->pub, progress->handler, progress->err);
}

// The codec's words for exceeding its memory limit do not say what happened.
[[noreturn]] void DecoderErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    if (cinfo->err->msg_code == JERR_NO_BACKING_STORE)
        std::snprintf(err->message, sizeof err->message,
                      "Not enough memory to decode the JPEG file (it needs more than %lld MB)",
                      kMaxDecoderMemory >> 20);
    else
        (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void SetUpDecompressor(jpeg_decompress_struct& dinfo, ErrorManager& err, DecompressProgress& progress,
                       WarningList* warnings) {
    dinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = DecoderErrorExit;
    err.pub.emit_message = EmitMessage;
    err.message[0] = '\0';
    err.warnings = warnings;
    progress.pub.progress_monitor = DecompressMonitor;
    progress.err = &err;
    progress.handler = nullptr;
}

// Checked before anything of the picture's size is allocated.
bool WithinLimits(const jpeg_decompress_struct& dinfo, ErrorManager& err) {
    const long long w = dinfo.image_width, h = dinfo.image_height;
    if (w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels)
        return true;
    std::snprintf(err.message, sizeof err.message,
                  "The picture is too large (%lld x %lld pixels; at most %lld pixels and %d on a side)", w, h,
                  kMaxPixels, kMaxSide);
    return false;
}

} // namespace

struct JpegReader::State {
    jpeg_decompress_struct dinfo;
    ErrorManager err;
    DecompressProgress progress;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    bool created = false;
    bool started = false;
    bool buffered = false;
    J_DCT_METHOD finalDct = JDCT_ISLOW;
    J_DITHER_MODE finalDither = JDITHER_FS;
    boolean finalTwoPass = TRUE;
    std::vector<std::uint8_t> cmykRow;
};

namespace {

[[noreturn]] void ThrowReaderFailure(JpegReader::State& st) {
    if (st.err.pending) {
        std::exception_ptr pending = st.err.pending;
        st.err.pending = nullptr;
        std::rethrow_exception(pending);
    }
    throw EJPEG(st.err.message);
}

// The steps of a decode that call libjpeg; each holds only trivially destructible locals.
void ConfigureDecode(JpegReader::State& st, const DecodeOptions& o, const JpegWriter::PassProgress* passes) {
    jpeg_decompress_struct& d = st.dinfo;
    if (setjmp(st.err.jump))
        ThrowReaderFailure(st);
    d.scale_num = 1;
    d.scale_denom = 1u << std::clamp(o.Scale, 0, 3);
    d.do_block_smoothing = o.BlockSmoothing ? TRUE : FALSE;
    d.dct_method = o.BestSpeed ? JDCT_IFAST : JDCT_ISLOW;
    const bool cmyk = d.jpeg_color_space == JCS_CMYK || d.jpeg_color_space == JCS_YCCK;
    if (cmyk)
        d.out_color_space = JCS_CMYK;
    else
        d.out_color_space = o.EightBit ? JCS_RGB : JCS_EXT_BGR;
    d.quantize_colors = o.EightBit && !cmyk ? TRUE : FALSE;
    if (d.quantize_colors) {
        d.desired_number_of_colors = std::clamp(o.Colours, 8, 256);
        d.two_pass_quantize = o.TwoPassQuantize && !o.BestSpeed ? TRUE : FALSE;
        d.dither_mode = o.BestSpeed ? JDITHER_ORDERED
                                    : (o.DitherMode == 0 ? JDITHER_NONE : o.DitherMode == 1 ? JDITHER_ORDERED : JDITHER_FS);
    }
    st.buffered = o.ProgressiveDisplay && jpeg_has_multiple_scans(&d);
    d.buffered_image = st.buffered ? TRUE : FALSE;
    st.finalDct = d.dct_method;
    st.finalDither = d.dither_mode;
    st.finalTwoPass = d.two_pass_quantize;
    if (st.buffered && d.quantize_colors) {
        // Scans are shown with one-pass ordered dithering; the final pass keeps the chosen method.
        d.enable_1pass_quant = TRUE;
        d.enable_2pass_quant = d.two_pass_quantize;
    }
    st.progress.handler = passes;
    jpeg_start_decompress(&d);
    st.progress.handler = nullptr;
    st.started = true;
}

int ReadRows(JpegReader::State& st, std::uint8_t** rows, int count) {
    jpeg_decompress_struct& d = st.dinfo;
    if (setjmp(st.err.jump))
        ThrowReaderFailure(st);
    return static_cast<int>(jpeg_read_scanlines(&d, rows, static_cast<JDIMENSION>(count)));
}

// Buffered-image mode: absorbs input up to the end of the next scan and starts an output pass, fast
// while scans arrive and with the chosen settings for the final one. Returns true for the final pass.
bool StartDisplayPass(JpegReader::State& st) {
    jpeg_decompress_struct& d = st.dinfo;
    if (setjmp(st.err.jump))
        ThrowReaderFailure(st);
    int status;
    do {
        status = jpeg_consume_input(&d);
    } while (status != JPEG_SCAN_COMPLETED && status != JPEG_REACHED_EOI && status != JPEG_SUSPENDED);
    const bool final = jpeg_input_complete(&d) != 0;
    d.dct_method = final ? st.finalDct : JDCT_IFAST;
    if (d.quantize_colors) {
        d.dither_mode = final ? st.finalDither : JDITHER_ORDERED;
        d.two_pass_quantize = final ? st.finalTwoPass : FALSE;
    }
    jpeg_start_output(&d, d.input_scan_number);
    return final;
}

void FinishDisplayPass(JpegReader::State& st) {
    if (setjmp(st.err.jump))
        ThrowReaderFailure(st);
    jpeg_finish_output(&st.dinfo);
}

void FinishDecode(JpegReader::State& st) {
    if (setjmp(st.err.jump))
        ThrowReaderFailure(st);
    jpeg_finish_decompress(&st.dinfo);
}

// Adobe applications write inverted CMYK, which libjpeg passes through as stored.
void CmykRowToBgr(const std::uint8_t* cmyk, int width, bool inverted, std::uint8_t* bgr) {
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        int c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = static_cast<std::uint8_t>(y * k / 255);
        bgr[1] = static_cast<std::uint8_t>(m * k / 255);
        bgr[2] = static_cast<std::uint8_t>(c * k / 255);
    }
}

} // namespace

JpegReader::JpegReader(const std::uint8_t* data, std::size_t size, WarningList* warnings)
    : m_state(std::make_unique<State>()) {
    State& st = *m_state;
    std::memset(&st.dinfo, 0, sizeof st.dinfo);
    st.data = data;
    st.size = size;
    SetUpDecompressor(st.dinfo, st.err, st.progress, warnings);
    if (setjmp(st.err.jump))
        ThrowReaderFailure(st);
    jpeg_create_decompress(&st.dinfo);
    st.created = true;
    st.dinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    st.dinfo.progress = &st.progress.pub;
}

JpegReader::~JpegReader() {
    if (m_state->created)
        jpeg_destroy_decompress(&m_state->dinfo);
}

namespace {

void ReadHeaderInto(JpegReader::State& st) {
    jpeg_decompress_struct& d = st.dinfo;
    if (setjmp(st.err.jump))
        ThrowReaderFailure(st);
    if (st.size == 0) {
        std::snprintf(st.err.message, sizeof st.err.message, "Empty input file");
        ThrowReaderFailure(st);
    }
    jpeg_mem_src(&d, st.data, static_cast<unsigned long>(st.size));
    jpeg_save_markers(&d, JPEG_COM, 0xFFFF);
    for (int n = 0; n < 16; ++n)
        jpeg_save_markers(&d, JPEG_APP0 + n, 0xFFFF);
    jpeg_read_header(&d, TRUE);
    if (!WithinLimits(d, st.err))
        ThrowReaderFailure(st);
}

} // namespace

const JpegHeader& JpegReader::ReadHeader() {
    if (m_headerRead)
        return m_header;
    State& st = *m_state;
    ReadHeaderInto(st);
    const jpeg_decompress_struct& d = st.dinfo;
    JpegHeader& h = m_header;
    h.Width = static_cast<int>(d.image_width);
    h.Height = static_cast<int>(d.image_height);
    h.Components = d.num_components;
    h.Grayscale = d.jpeg_color_space == JCS_GRAYSCALE;
    h.Cmyk = d.jpeg_color_space == JCS_CMYK || d.jpeg_color_space == JCS_YCCK;
    h.Progressive = jpeg_has_multiple_scans(&st.dinfo) != 0;
    h.RestartInterval = d.restart_interval;
    for (int c = 0; c < d.num_components && c < 10; ++c) {
        h.HSampling[static_cast<std::size_t>(c)] = d.comp_info[c].h_samp_factor;
        h.VSampling[static_cast<std::size_t>(c)] = d.comp_info[c].v_samp_factor;
    }
    h.SawJfif = d.saw_JFIF_marker != 0;
    h.DensityUnit = d.density_unit;
    h.XDensity = d.X_density;
    h.YDensity = d.Y_density;
    for (jpeg_saved_marker_ptr m = d.marker_list; m; m = m->next)
        h.Markers.push_back({m->marker, std::string(reinterpret_cast<const char*>(m->data), m->data_length)});
    m_headerRead = true;
    return h;
}

void JpegReader::ScaledSize(int scale, int& width, int& height) {
    ReadHeader();
    const unsigned denom = 1u << std::clamp(scale, 0, 3);
    // jdiv_round_up, as the decoder computes its output size.
    width = static_cast<int>((m_state->dinfo.image_width + denom - 1) / denom);
    height = static_cast<int>((m_state->dinfo.image_height + denom - 1) / denom);
}

QImage JpegReader::Decode(const DecodeOptions& options, const RowProgress& progress, bool& cancelled) {
    cancelled = false;
    ReadHeader();
    State& st = *m_state;
    ConfigureDecode(st, options, nullptr);
    jpeg_decompress_struct& d = st.dinfo;
    const int width = static_cast<int>(d.output_width);
    const int height = static_cast<int>(d.output_height);
    const bool palette = d.quantize_colors != 0;
    const bool cmyk = d.out_color_space == JCS_CMYK;
    QImage image = palette ? QImage(width, height, QImage::Format_Indexed8) : MakeBitmap24(width, height);
    if (image.isNull())
        throw EJPEG("Not enough memory for a " + std::to_string(width) + " x " + std::to_string(height) + " picture");
    if (cmyk)
        st.cmykRow.resize(static_cast<std::size_t>(width) * 4);

    const auto setPalette = [&] {
        if (!palette || !d.colormap)
            return;
        QList<QRgb> colours;
        for (int i = 0; i < d.actual_number_of_colors; ++i) {
            const int r = d.colormap[0][i];
            const int g = d.out_color_components > 1 ? d.colormap[1][i] : r;
            const int b = d.out_color_components > 2 ? d.colormap[2][i] : r;
            colours.push_back(qRgb(r, g, b));
        }
        image.setColorTable(colours);
    };

    // Reads one output pass into the picture, reporting bands of rows.
    const auto readPass = [&](bool display) {
        std::uint8_t* rows[16];
        int done = static_cast<int>(d.output_scanline), reported = done;
        while (static_cast<int>(d.output_scanline) < height) {
            int got;
            if (cmyk) {
                std::uint8_t* row = st.cmykRow.data();
                got = ReadRows(st, &row, 1);
                if (got == 1)
                    CmykRowToBgr(row, width, d.saw_Adobe_marker != 0, image.scanLine(done));
            } else {
                const int count = std::min(16, height - done);
                for (int i = 0; i < count; ++i)
                    rows[i] = image.scanLine(done + i);
                got = ReadRows(st, rows, count);
            }
            if (got <= 0)
                break;
            done += got;
            if (progress && (done - reported >= 64 || done == height)) {
                progress(reported, done - reported, display && done == height);
                reported = done;
            }
        }
    };

    try {
        if (st.buffered) {
            for (;;) {
                const bool final = StartDisplayPass(st);
                setPalette();
                readPass(true);
                FinishDisplayPass(st);
                if (final)
                    break;
            }
        } else {
            setPalette();
            readPass(false);
        }
        FinishDecode(st);
    } catch (const OperationAborted&) {
        cancelled = true;
    }
    return image;
}

std::vector<std::array<std::uint8_t, 64>> JpegReader::QuantTables() const {
    std::vector<std::array<std::uint8_t, 64>> tables;
    const jpeg_decompress_struct& d = m_state->dinfo;
    for (int t = 0; t < NUM_QUANT_TBLS && d.quant_tbl_ptrs[t]; ++t) {
        std::array<std::uint8_t, 64> table{};
        for (int k = 0; k < 64; ++k)
            table[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(d.quant_tbl_ptrs[t]->quantval[k] & 0xFF);
        tables.push_back(table);
    }
    return tables;
}

// --- lossless re-encoding and transforms -----------------------------------------------------------

namespace {

struct Transcoder {
    jpeg_decompress_struct dinfo;
    jpeg_compress_struct cinfo;
    ErrorManager err;
    DecompressProgress readProgress;
    Progress writeProgress;
    Destination dest;
    bool readerCreated;
    bool writerCreated;
};

void RunTranscode(Transcoder& t, const std::vector<std::uint8_t>& source, const LosslessSetup& setup,
                  const std::vector<JpegMarker>& markers) {
    if (setjmp(t.err.jump)) {
        t.writeProgress.handler = nullptr;
        if (t.err.pending) {
            std::exception_ptr pending = t.err.pending;
            t.err.pending = nullptr;
            std::rethrow_exception(pending);
        }
        throw EJPEG(t.err.message);
    }
    jpeg_create_decompress(&t.dinfo);
    t.readerCreated = true;
    t.dinfo.mem->max_memory_to_use = kMaxDecoderMemory;
    t.dinfo.progress = &t.readProgress.pub;
    jpeg_create_compress(&t.cinfo);
    t.writerCreated = true;
    t.cinfo.progress = &t.writeProgress.pub;
    t.cinfo.dest = &t.dest.pub;
    if (source.empty()) {
        std::snprintf(t.err.message, sizeof t.err.message, "Empty input file");
        std::longjmp(t.err.jump, 1);
    }
    jpeg_mem_src(&t.dinfo, source.data(), static_cast<unsigned long>(source.size()));
    jpeg_read_header(&t.dinfo, TRUE);
    if (!WithinLimits(t.dinfo, t.err))
        std::longjmp(t.err.jump, 1);
    jvirt_barray_ptr* coefficients = jpeg_read_coefficients(&t.dinfo);
    // Copying the critical parameters restores the codec defaults: sequential, JFIF where it applies.
    jpeg_copy_critical_parameters(&t.dinfo, &t.cinfo);
    t.cinfo.optimize_coding = setup.OptimizeHuffman ? TRUE : FALSE;
    t.cinfo.restart_interval = setup.RestartInterval;
    t.cinfo.density_unit = setup.DensityUnit;
    t.cinfo.X_density = setup.XDensity;
    t.cinfo.Y_density = setup.YDensity;
    jpeg_write_coefficients(&t.cinfo, coefficients);
    for (const JpegMarker& marker : markers)
        jpeg_write_marker(&t.cinfo, marker.Code, reinterpret_cast<const JOCTET*>(marker.Payload.data()),
                          static_cast<unsigned int>(marker.Payload.size()));
    jpeg_finish_compress(&t.cinfo);
    jpeg_finish_decompress(&t.dinfo);
    t.writeProgress.handler = nullptr;
}

} // namespace

std::vector<std::uint8_t> TranscodeLossless(const std::vector<std::uint8_t>& source, const LosslessSetup& setup,
                                            const std::vector<JpegMarker>& markers, WarningList& warnings,
                                            const JpegWriter::PassProgress& progress) {
    std::vector<std::uint8_t> bytes;
    auto t = std::make_unique<Transcoder>();
    std::memset(&t->dinfo, 0, sizeof t->dinfo);
    std::memset(&t->cinfo, 0, sizeof t->cinfo);
    t->readerCreated = t->writerCreated = false;
    SetUpDecompressor(t->dinfo, t->err, t->readProgress, &warnings);
    t->cinfo.err = &t->err.pub;
    t->err.pending = nullptr;
    t->writeProgress.pub.progress_monitor = ProgressMonitor;
    t->writeProgress.handler = &progress;
    t->writeProgress.err = &t->err;
    t->dest.pub.init_destination = InitDestination;
    t->dest.pub.empty_output_buffer = EmptyOutputBuffer;
    t->dest.pub.term_destination = TermDestination;
    t->dest.bytes = &bytes;
    bytes.reserve(source.size() + 65536);
    struct Cleanup {
        Transcoder& t;
        ~Cleanup() {
            if (t.writerCreated)
                jpeg_destroy_compress(&t.cinfo);
            if (t.readerCreated)
                jpeg_destroy_decompress(&t.dinfo);
        }
    } cleanup{*t};
    RunTranscode(*t, source, setup, markers);
    return bytes;
}

std::vector<std::uint8_t> TransformLossless(const std::vector<std::uint8_t>& source, int orientationTransform) {
    static constexpr int kOperations[9] = {TJXOP_NONE,      TJXOP_NONE,  TJXOP_HFLIP,      TJXOP_ROT180, TJXOP_VFLIP,
                                           TJXOP_TRANSPOSE, TJXOP_ROT90, TJXOP_TRANSVERSE, TJXOP_ROT270};
    if (orientationTransform <= 1 || orientationTransform > 8)
        return source;
    {
        // The transform decodes every coefficient: refuse oversized pictures first.
        JpegReader reader(source.data(), source.size(), nullptr);
        reader.ReadHeader();
    }
    tjhandle handle = tjInitTransform();
    if (!handle)
        throw EJPEG(tjGetErrorStr2(nullptr));
    tjtransform transform;
    std::memset(&transform, 0, sizeof transform);
    transform.op = kOperations[orientationTransform];
    transform.options = 0; // keep partial edge blocks, copy every marker
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    const int rc = tjTransform(handle, source.data(), static_cast<unsigned long>(source.size()), 1, &out, &outSize,
                               &transform, 0);
    std::string error = rc != 0 ? tjGetErrorStr2(handle) : "";
    if (rc != 0 && tjGetErrorCode(handle) == TJERR_WARNING)
        error.clear(); // a warning (for example a corrupt but readable file) still gives a result
    std::vector<std::uint8_t> bytes;
    if (error.empty() && out)
        bytes.assign(out, out + outSize);
    tjFree(out);
    tjDestroy(handle);
    if (!error.empty())
        throw EJPEG(error);
    if (bytes.empty())
        throw EJPEG("The lossless transform gave no result");
    return bytes;
}

} // namespace vantorel
