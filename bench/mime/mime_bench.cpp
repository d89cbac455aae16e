// Benchmark of the MIME library against GMime 3 on the same work: parse a 20 MiB message with
// five Base64 attachments into a tree and write it back, and decode 64 MiB of Base64 and of
// quoted-printable. Each figure is the best of several runs; inputs are made in memory.
// Usage: mime_bench [runs]
#include <gmime/gmime.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "plugin/mime/MimeCodeBase64.h"
#include "plugin/mime/MimeCodeQP.h"
#include "plugin/mime/MimeMessage.h"

namespace {

constexpr size_t kMiB = 1 << 20;

std::string RandomBytes(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(count, '\0');
    for (auto& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

// Mostly printable text with some 8-bit bytes and line ends, like a QP-encoded letter.
std::string RandomText(size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::string text(count, ' ');
    for (size_t i = 0; i < count; ++i) {
        const unsigned r = random() % 100;
        text[i] = r < 70   ? static_cast<char>('a' + random() % 26)
                  : r < 85 ? ' '
                  : r < 95 ? static_cast<char>(0xC0 + random() % 64)
                  : r < 98 ? '='
                           : '\n';
    }
    return text;
}

std::string Encode(CMimeCodeBase& codec, const std::string& input) {
    codec.SetInput(input.data(), static_cast<int>(input.size()), true);
    std::string out(codec.GetEncodeLength(), '\0');
    out.resize(codec.Encode(&out[0], static_cast<int>(out.size())));
    return out;
}

std::string MakeMessage() {
    CMimeMessage message;
    message.SetFieldValue("From", "Alice <alice@example.com>");
    message.SetFieldValue("To", "Bob <bob@example.com>");
    message.SetFieldValue("Subject", "Five attachments");
    message.SetBoundary("bench-outer-boundary");
    CMimeBody* text = message.CreatePart();
    text->SetFieldValue("Content-Type", "text/plain; charset=utf-8");
    text->SetText("See the attachments.\r\n", 0);
    for (int i = 0; i < 5; ++i) {
        CMimeBody* part = message.CreatePart();
        part->SetFieldValue("Content-Transfer-Encoding", "base64");
        part->SetName("attachment" + std::to_string(i) + ".zip");
        const std::string data = RandomBytes(3 * kMiB, 100 + i);
        part->SetText(data.data(), static_cast<int>(data.size()));
    }
    std::string stored(message.GetLength(), '\0');
    stored.resize(message.Store(&stored[0], static_cast<int>(stored.size())));
    return stored;
}

double BestSeconds(int runs, const std::function<void()>& work) {
    double best = 1e9;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        work();
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

void Report(const char* what, size_t bytes, double ours, double gmime) {
    const double mb = static_cast<double>(bytes) / 1e6;
    std::printf("%-34s %8.1f MB  %9.1f ms %8.0f MB/s  %9.1f ms %8.0f MB/s  %5.2fx\n", what, mb,
                ours * 1e3, mb / ours, gmime * 1e3, mb / gmime, gmime / ours);
}

size_t OursParseStore(const std::string& text) {
    CMimeMessage message;
    message.Load(text.data(), static_cast<int>(text.size()));
    std::vector<char> out(static_cast<size_t>(message.GetLength()) + 1);
    return static_cast<size_t>(message.Store(out.data(), static_cast<int>(out.size())));
}

GMimeMessage* GMimeParse(const std::string& text) {
    GMimeStream* stream = g_mime_stream_mem_new_with_buffer(text.data(), text.size());
    GMimeParser* parser = g_mime_parser_new_with_stream(stream);
    GMimeMessage* message = g_mime_parser_construct_message(parser, nullptr);
    g_object_unref(parser);
    g_object_unref(stream);
    return message;
}

size_t GMimeWrite(GMimeMessage* message) {
    GMimeStream* out = g_mime_stream_mem_new();
    const ssize_t written = g_mime_object_write_to_stream(GMIME_OBJECT(message), nullptr, out);
    g_object_unref(out);
    return written > 0 ? static_cast<size_t>(written) : 0;
}

// What our parser does on top of GMime's: decode every leaf's content into memory.
void GMimeDecodeLeaves(GMimeObject*, GMimeObject* part, gpointer) {
    if (!GMIME_IS_PART(part))
        return;
    GMimeDataWrapper* content = g_mime_part_get_content(GMIME_PART(part));
    if (content == nullptr)
        return;
    GMimeStream* sink = g_mime_stream_mem_new();
    g_mime_data_wrapper_write_to_stream(content, sink);
    g_object_unref(sink);
}

size_t GMimeDecodeStep(bool base64, const std::string& input, std::vector<char>& out) {
    int state = 0;
    guint32 save = 0;
    const auto* in = reinterpret_cast<const unsigned char*>(input.data());
    auto* target = reinterpret_cast<unsigned char*>(out.data());
    return base64 ? g_mime_encoding_base64_decode_step(in, input.size(), target, &state, &save)
                  : g_mime_encoding_quoted_decode_step(in, input.size(), target, &state, &save);
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    g_mime_init();

    const std::string message = MakeMessage();
    size_t oursSize = 0;
    size_t gmimeSize = 0;
    const double oursParse = BestSeconds(runs, [&] { oursSize = OursParseStore(message); });
    const double gmimeParse = BestSeconds(runs, [&] {
        GMimeMessage* parsed = GMimeParse(message);
        gmimeSize = GMimeWrite(parsed);
        g_object_unref(parsed);
    });
    const double gmimeParseDecode = BestSeconds(runs, [&] {
        GMimeMessage* parsed = GMimeParse(message);
        g_mime_message_foreach(parsed, GMimeDecodeLeaves, nullptr);
        gmimeSize = GMimeWrite(parsed);
        g_object_unref(parsed);
    });

    CMimeCodeBase64 base64;
    std::string base64Text = Encode(base64, RandomBytes(48 * kMiB, 7));
    base64Text.resize(64 * kMiB - 64 * kMiB % 78);
    CMimeCodeQP qp;
    std::string qpText = Encode(qp, RandomText(48 * kMiB, 8));
    qpText.resize(std::min(qpText.size(), 64 * kMiB));
    std::vector<char> out(64 * kMiB + 16);
    size_t decoded = 0;
    const double oursBase64 = BestSeconds(runs, [&] {
        base64.SetInput(base64Text.data(), static_cast<int>(base64Text.size()), false);
        decoded = base64.Decode(out.data(), static_cast<int>(out.size()));
    });
    const double gmimeBase64 =
        BestSeconds(runs, [&] { decoded = GMimeDecodeStep(true, base64Text, out); });
    const double oursQP = BestSeconds(runs, [&] {
        qp.SetInput(qpText.data(), static_cast<int>(qpText.size()), false);
        decoded = qp.Decode(out.data(), static_cast<int>(out.size()));
    });
    const double gmimeQP =
        BestSeconds(runs, [&] { decoded = GMimeDecodeStep(false, qpText, out); });

    std::printf("best of %d runs; stored %zu bytes (ours), %zu bytes (GMime)\n", runs, oursSize,
                gmimeSize);
    std::printf("%-34s %11s  %25s  %25s  %6s\n", "", "input", "nv_mime", "GMime 3", "ratio");
    Report("parse+store, 5 Base64 attachments", message.size(), oursParse, gmimeParse);
    Report("  GMime also decoding every leaf", message.size(), oursParse, gmimeParseDecode);
    Report("Base64 decode", base64Text.size(), oursBase64, gmimeBase64);
    Report("quoted-printable decode", qpText.size(), oursQP, gmimeQP);
    return decoded > 0 ? 0 : 1;
}
