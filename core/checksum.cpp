#include "core/checksum.h"

#include <openssl/evp.h>

#include <array>
#include <cstdio>
#include <memory>

namespace kaldero {

std::optional<std::string> sha256OfFile(const std::string& path) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(path.c_str(), "rb"), &std::fclose);
  if (!in) return std::nullopt;
  std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> ctx(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_sha256(), nullptr) != 1) return std::nullopt;
  std::array<unsigned char, 1 << 16> buffer;
  std::size_t got = 0;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0)
    if (EVP_DigestUpdate(ctx.get(), buffer.data(), got) != 1) return std::nullopt;
  if (std::ferror(in.get())) return std::nullopt;
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(ctx.get(), digest, &length) != 1) return std::nullopt;
  static const char* const hex = "0123456789abcdef";
  std::string out;
  for (unsigned int i = 0; i < length; ++i) {
    out += hex[digest[i] >> 4];
    out += hex[digest[i] & 15];
  }
  return out;
}

}  // namespace kaldero
