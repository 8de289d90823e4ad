#include "Authentication.h"

namespace rure::camera {

GstRTSPAuth* newAuthentication(const CameraOptions& options, const char* role) {
    if (options.user.empty()) {
        return nullptr;
    }
    GstRTSPAuth* auth = gst_rtsp_auth_new();
    GstRTSPToken* token =
        gst_rtsp_token_new(GST_RTSP_TOKEN_MEDIA_FACTORY_ROLE, G_TYPE_STRING, role, nullptr);
    switch (options.auth) {
    case AuthMethod::basic: {
        gchar* basic = gst_rtsp_auth_make_basic(options.user.c_str(), options.password.c_str());
        gst_rtsp_auth_add_basic(auth, basic, token);
        g_free(basic);
        break;
    }
    case AuthMethod::digest:
        gst_rtsp_auth_add_digest(auth, options.user.c_str(), options.password.c_str(), token);
        gst_rtsp_auth_set_supported_methods(auth, GST_RTSP_AUTH_DIGEST);
        break;
    }
    gst_rtsp_token_unref(token);
    return auth;
}

} // namespace rure::camera
