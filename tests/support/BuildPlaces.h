#pragma once

// Places in this build that tests read: absolute paths, so each test program
// defines the ones it uses in a small generated source of its own
// (rure_test_build_places in tests/CMakeLists.txt) and its other sources stay
// the same in every clone.
namespace rure::test::build {

// The build directory.
extern const char binaryDirectory[];
// The RTSP test camera program.
extern const char testCameraProgram[];
// The ONVIF test device program.
extern const char testOnvifDeviceProgram[];
// The bundle signing tool, rure-bundle.
extern const char bundleTool[];
// The private key that signs this build's bundles.
extern const char signingKey[];
// A viewer stand-in for the installer's stop tests.
extern const char fakeViewerProgram[];
// The library preloaded into the viewer to list the destinations it reaches.
extern const char connectAuditLibrary[];
// The signed bundles, the installer's archive and the Debian package (empty
// where the build made none), and the packaging sources.
extern const char bundlesDirectory[];
extern const char installerArchive[];
extern const char debianPackage[];
extern const char packagingSourceDirectory[];

} // namespace rure::test::build
