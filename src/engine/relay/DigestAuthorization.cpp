#include "DigestAuthorization.h"

#include "engine/relay/RtspUnits.h"

#include <QCryptographicHash>

#include <vector>

namespace rure::rtsp {

namespace {

struct Field {
    std::string name;
    std::string value;
    bool quoted = false;
};

std::string md5Hex(std::string_view text) {
    const QByteArray digest = QCryptographicHash::hash(
        QByteArrayView(text.data(), static_cast<qsizetype>(text.size())), QCryptographicHash::Md5);
    return digest.toHex().toStdString();
}

std::string joined(std::initializer_list<std::string_view> parts) {
    std::string text;
    bool first = true;
    for (const std::string_view part : parts) {
        if (!first) {
            text += ':';
        }
        text += part;
        first = false;
    }
    return text;
}

// "name=value, name=\"value\", ..." after the scheme; nothing when malformed.
std::optional<std::vector<Field>> parseFields(std::string_view text) {
    std::vector<Field> fields;
    std::size_t at = 0;
    const auto skipBlanks = [&] {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == ',')) {
            ++at;
        }
    };
    skipBlanks();
    while (at < text.size()) {
        const std::size_t equals = text.find('=', at);
        if (equals == std::string_view::npos) {
            return std::nullopt;
        }
        Field field;
        field.name = std::string(text.substr(at, equals - at));
        at = equals + 1;
        if (at < text.size() && text[at] == '"') {
            field.quoted = true;
            ++at;
            while (at < text.size() && text[at] != '"') {
                if (text[at] == '\\' && at + 1 < text.size()) {
                    ++at;
                }
                field.value += text[at++];
            }
            if (at >= text.size()) {
                return std::nullopt;
            }
            ++at;
        } else {
            const std::size_t end = text.find(',', at);
            const std::size_t stop = end == std::string_view::npos ? text.size() : end;
            field.value = std::string(text.substr(at, stop - at));
            while (!field.value.empty() && field.value.back() == ' ') {
                field.value.pop_back();
            }
            at = stop;
        }
        fields.push_back(std::move(field));
        skipBlanks();
    }
    return fields;
}

std::string fieldValue(const std::vector<Field>& fields, std::string_view name) {
    for (const Field& field : fields) {
        if (equalsIgnoringCase(field.name, name)) {
            return field.value;
        }
    }
    return {};
}

void setField(std::vector<Field>& fields, std::string_view name, std::string value) {
    for (Field& field : fields) {
        if (equalsIgnoringCase(field.name, name)) {
            field.value = std::move(value);
        }
    }
}

std::string responseFor(const std::vector<Field>& fields, std::string_view method,
                        std::string_view uri, std::string_view password) {
    return digestResponse(fieldValue(fields, "username"), fieldValue(fields, "realm"), password,
                          fieldValue(fields, "nonce"), method, uri, fieldValue(fields, "algorithm"),
                          fieldValue(fields, "qop"), fieldValue(fields, "nc"),
                          fieldValue(fields, "cnonce"));
}

} // namespace

std::string digestResponse(std::string_view user, std::string_view realm, std::string_view password,
                           std::string_view nonce, std::string_view method, std::string_view uri,
                           std::string_view algorithm, std::string_view qop,
                           std::string_view nonceCount, std::string_view clientNonce) {
    std::string a1 = md5Hex(joined({user, realm, password}));
    if (equalsIgnoringCase(algorithm, "MD5-sess")) {
        a1 = md5Hex(joined({a1, nonce, clientNonce}));
    }
    const std::string a2 = md5Hex(joined({method, uri}));
    if (qop.empty()) {
        return md5Hex(joined({a1, nonce, a2}));
    }
    return md5Hex(joined({a1, nonce, nonceCount, clientNonce, qop, a2}));
}

std::optional<std::string> digestForUri(std::string_view value, std::string_view method,
                                        std::string_view uri,
                                        std::span<const std::string> passwords) {
    constexpr std::string_view scheme = "Digest ";
    if (value.size() <= scheme.size() ||
        !equalsIgnoringCase(value.substr(0, scheme.size()), scheme)) {
        return std::nullopt;
    }
    std::optional<std::vector<Field>> fields = parseFields(value.substr(scheme.size()));
    if (!fields) {
        return std::nullopt;
    }
    const std::string algorithm = fieldValue(*fields, "algorithm");
    if (!algorithm.empty() && !equalsIgnoringCase(algorithm, "MD5") &&
        !equalsIgnoringCase(algorithm, "MD5-sess")) {
        return std::nullopt;
    }
    const std::string madeFor = fieldValue(*fields, "uri");
    const std::string response = fieldValue(*fields, "response");
    for (const std::string& password : passwords) {
        if (responseFor(*fields, method, madeFor, password) != response) {
            continue;
        }
        setField(*fields, "uri", std::string(uri));
        setField(*fields, "response", responseFor(*fields, method, uri, password));
        std::string text(scheme);
        for (std::size_t i = 0; i < fields->size(); ++i) {
            const Field& field = (*fields)[i];
            text += (i == 0 ? "" : ", ") + field.name + '=';
            text += field.quoted ? '"' + field.value + '"' : field.value;
        }
        return text;
    }
    return std::nullopt;
}

} // namespace rure::rtsp
