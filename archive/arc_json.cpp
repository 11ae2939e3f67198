#include "archive/arc_json.h"

#include <nlohmann/json.hpp>

using nlohmann::json;

namespace {

// The parser keeps a node per nested level: the depth is measured on the bytes first, so a
// page of brackets costs no more than its size.
bool DepthWithin(const char *p, size_t len, int max) {
    int depth = 0;
    bool str = false;
    for (size_t i = 0; i < len; i++) {
        char c = p[i];
        if (str) {
            if (c == '\\')
                i++;
            else if (c == '"')
                str = false;
        } else if (c == '"') {
            str = true;
        } else if (c == '[' || c == '{') {
            if (++depth > max) return false;
        } else if (c == ']' || c == '}') {
            depth--;
        }
    }
    return true;
}

int Parse(const char *text, size_t len, json *doc, std::string *err) {
    if (len > ARC_JSON_MAX_BYTES) {
        *err = "search answer larger than " + std::to_string(ARC_JSON_MAX_BYTES) + " bytes";
        return -1;
    }
    if (!DepthWithin(text, len, ARC_JSON_MAX_DEPTH)) {
        *err = "search answer nests deeper than " + std::to_string(ARC_JSON_MAX_DEPTH);
        return -1;
    }
    try {
        *doc = json::parse(text, text + len, nullptr, false);
    } catch (const std::exception &) { // memory only: parse errors are reported as discarded
        *doc = json(json::value_t::discarded);
    }
    if (doc->is_discarded()) {
        *err = "search answer is not valid JSON";
        return -1;
    }
    if (!doc->is_array()) {
        *err = "search answer is not a JSON array";
        return -1;
    }
    return 0;
}

// The first value of an attribute, or null.
const json *First(const json &obj, const char *tag) {
    auto a = obj.find(tag);
    if (a == obj.end() || !a->is_object()) return nullptr;
    auto v = a->find("Value");
    if (v == a->end() || !v->is_array() || v->empty()) return nullptr;
    return &(*v)[0];
}

std::string Clip(std::string s) {
    if (s.size() > ARC_JSON_MAX_VALUE) s.resize(ARC_JSON_MAX_VALUE);
    return s;
}

// A text value: a string, or a person name's alphabetic form.
std::string Text(const json &obj, const char *tag) {
    const json *v = First(obj, tag);
    if (!v) return "";
    if (v->is_string()) return Clip(v->get<std::string>());
    if (v->is_object()) {
        auto a = v->find("Alphabetic");
        if (a != v->end() && a->is_string()) return Clip(a->get<std::string>());
    }
    return "";
}

// All string values joined with ','.
std::string Texts(const json &obj, const char *tag) {
    auto a = obj.find(tag);
    if (a == obj.end() || !a->is_object()) return "";
    auto v = a->find("Value");
    if (v == a->end() || !v->is_array()) return "";
    std::string s;
    for (const json &e : *v) {
        if (!e.is_string()) continue;
        if (!s.empty()) s += ',';
        s += e.get<std::string>();
        if (s.size() > ARC_JSON_MAX_VALUE) break;
    }
    return Clip(s);
}

// An integer value: IS may come as a JSON number or as a string of digits.
long Number(const json &obj, const char *tag) {
    const json *v = First(obj, tag);
    if (!v) return -1;
    if (v->is_number_integer()) {
        long long n = v->get<long long>();
        return n >= 0 && n <= 1000000000 ? static_cast<long>(n) : -1;
    }
    if (v->is_number_float()) {
        double d = v->get<double>();
        return d >= 0 && d <= 1e9 ? static_cast<long>(d) : -1;
    }
    if (v->is_string()) {
        const std::string &s = v->get_ref<const std::string &>();
        long n = 0;
        size_t i = 0;
        while (i < s.size() && s[i] == ' ')
            i++;
        size_t from = i;
        for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; i++) {
            if (n > 100000000) return -1;
            n = n * 10 + (s[i] - '0');
        }
        return i > from ? n : -1;
    }
    return -1;
}

} // namespace

int ArcJsonStudies(const char *text, size_t len, std::vector<ARCSTUDY> *out, std::string *err) {
    out->clear();
    json doc;
    if (Parse(text, len, &doc, err)) return -1;
    for (const json &o : doc) {
        if (!o.is_object()) continue;
        ARCSTUDY s;
        s.study_uid = Text(o, "0020000D");
        if (s.study_uid.empty()) continue;
        s.patient = Text(o, "00100010");
        s.patient_id = Text(o, "00100020");
        s.date = Text(o, "00080020");
        s.modalities = Texts(o, "00080061");
        s.description = Text(o, "00081030");
        s.accession = Text(o, "00080050");
        s.series = Number(o, "00201206");
        s.instances = Number(o, "00201208");
        out->push_back(std::move(s));
    }
    return 0;
}

int ArcJsonSeries(const char *text, size_t len, std::vector<ARCSERIES> *out, std::string *err) {
    out->clear();
    json doc;
    if (Parse(text, len, &doc, err)) return -1;
    for (const json &o : doc) {
        if (!o.is_object()) continue;
        ARCSERIES s;
        s.series_uid = Text(o, "0020000E");
        if (s.series_uid.empty()) continue;
        s.modality = Text(o, "00080060");
        s.description = Text(o, "0008103E");
        s.number = Number(o, "00200011");
        s.instances = Number(o, "00201209");
        out->push_back(std::move(s));
    }
    return 0;
}
