// Checks a certificate description against the hash that a terminal certificate carries, with
// OpenPACE: "cvc-print -d" cannot tell, since it takes the library's -1 for a mismatch as a match.
//
//   DescriptionCheck CERTIFICATE DESCRIPTION
// prints "matches" (exit 0), "does not match" (exit 1) or an error (exit 2).

#include <eac/cv_cert.h>
#include <eac/eac.h>

#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>
#include <vector>

namespace
{

std::vector<unsigned char> readFile(const char* pPath)
{
	std::ifstream file(pPath, std::ios::binary);
	return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}


} // namespace


int main(int argc, char** argv)
{
	if (argc != 3)
	{
		std::cerr << "Usage: DescriptionCheck CERTIFICATE DESCRIPTION" << std::endl;
		return 2;
	}
	EAC_init();

	const auto certificate = readFile(argv[1]);
	const auto description = readFile(argv[2]);
	const unsigned char* position = certificate.data();
	const std::unique_ptr<CVC_CERT, decltype(&CVC_CERT_free)> cvc(
			CVC_d2i_CVC_CERT(nullptr, &position, static_cast<long>(certificate.size())), &CVC_CERT_free);
	if (!cvc || description.empty())
	{
		std::cerr << "Cannot read the certificate or the description" << std::endl;
		return 2;
	}

	const int result = CVC_check_description(cvc.get(), description.data(), static_cast<unsigned int>(description.size()));
	if (result == 1)
	{
		std::cout << "matches" << std::endl;
		return 0;
	}
	std::cout << "does not match" << std::endl;
	return 1;
}
