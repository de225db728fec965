// libjpeg glue. Every jpeg_* call of the program is in this file. Each entry point sets its
// setjmp target first and holds no object with a destructor in the frames libjpeg may jump over.
#include "JpegCodec.h"

#include "CoefficientStore.h"
#include "EngineError.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

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

void ProgressMonitor(j_common_ptr cinfo) {
    auto* progress = reinterpret_cast<Progress*>(cinfo->progress);
    if (!progress->handler || !*progress->handler)
        return;
    bool failed = false;
    try {
        (*progress->handler)(progress->pub.pass_counter, progress->pub.pass_limit, progress->pub.completed_passes,
                             progress->pub.total_passes);
    } catch (...) {
        progress->err->pending = std::current_exception();
        failed = true;
    }
    if (failed)
        std::longjmp(progress->err->jump, 1);
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

} // namespace vantorel
