#include "host/transfer_failure.h"

#include "host/secret_text.h"

namespace host {
namespace {

std::string masked_reason(std::string_view url, std::string_view reason) {
  return mask_secret(reason, key_of_url(url));
}

}  // namespace

std::string failed_transfer_line(std::string_view url, std::string_view reason) {
  // The URL is hidden whole before it goes into the line, so nothing of the
  // key and nothing after it is lost to the text around it.
  return std::string(kHttpFailureLogPrefix) + redact_url(url) + ": " + masked_reason(url, reason);
}

std::string failed_transfer_response(std::string_view url, std::string_view reason) {
  return std::string(kHttpErrorPrefix) + masked_reason(url, reason);
}

}  // namespace host
