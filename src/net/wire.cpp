#include "net/wire.h"

#include "files/digest.h"

#include <algorithm>
#include <vector>

uint32_t net_password_proof(const std::string &password, uint32_t key)
{
    if (password.empty())
        return 0;
    std::vector<uint8_t> data(password.begin(), password.end());
    for (int i = 0; i < 4; ++i)
        data.push_back((uint8_t)(key >> (8 * i)));
    uint8_t digest[20];
    digest_bytes(data.data(), data.size(), digest);
    return (uint32_t)digest[3] | (uint32_t)digest[2] << 8 | (uint32_t)digest[1] << 16 | (uint32_t)digest[0] << 24;
}

void net_info_digest(uint32_t key, uint32_t random, const std::string &hash_text, uint8_t out[20])
{
    std::vector<uint8_t> data;
    for (uint32_t v : {key, random})
        for (int i = 0; i < 4; ++i)
            data.push_back((uint8_t)(v >> (8 * i)));
    data.insert(data.end(), hash_text.begin(), hash_text.end());
    digest_bytes(data.data(), data.size(), out);
}

std::string description_text(const RiderDescription &d)
{
    std::string s = d.bike + "|" + d.body_texture + "|" + d.bike_texture + "|" + d.wheel_texture + "|" +
                    d.head_texture + "\n" + d.number + "\n" + d.name;
    if (s.size() < NET_DESCRIPTION_MAX)
        return s;
    s = d.bike + "\n" + d.number + "\n" + d.name;
    return s.substr(0, NET_DESCRIPTION_MAX - 1);
}

bool description_parse(const std::string &text, RiderDescription *d)
{
    *d = RiderDescription();
    std::string lines[3];
    size_t at = 0;
    for (int i = 0; i < 3; ++i) {
        size_t end = i < 2 ? text.find('\n', at) : std::string::npos;
        lines[i] = text.substr(std::min(at, text.size()), end == std::string::npos ? std::string::npos : end - at);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    std::string *fields[5] = {&d->bike, &d->body_texture, &d->bike_texture, &d->wheel_texture, &d->head_texture};
    size_t from = 0;
    for (int i = 0; i < 5; ++i) {
        size_t bar = lines[0].find('|', from);
        *fields[i] = lines[0].substr(from, bar == std::string::npos ? std::string::npos : bar - from);
        if (bar == std::string::npos)
            break;
        from = bar + 1;
    }
    d->number = lines[1].substr(0, 3);
    d->name = lines[2].substr(0, 64);
    return !d->bike.empty();
}
