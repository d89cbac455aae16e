#include "plugin/capture/TRecorders.h"

#include <boost/make_shared.hpp>
#include <gtest/gtest.h>

#include "src/ScriptingCore/script_error.h"

namespace {

struct Call {
    const char* member;
    FB::VariantList arguments;
    FB::variant expected; // compared by type and text
};

void expectAnswers(FB::JSAPI& recorder, const std::vector<Call>& calls) {
    for (const Call& call : calls) {
        FB::variant result = recorder.HasMethod(call.member)
                                 ? recorder.Invoke(call.member, call.arguments)
                                 : recorder.GetProperty(call.member);
        EXPECT_TRUE(result.get_type() == call.expected.get_type()) << call.member;
        EXPECT_EQ(result.convert_cast<std::string>(), call.expected.convert_cast<std::string>())
            << call.member;
    }
}

} // namespace

TEST(Recorders, AnswerTheirFixedValues) {
    boost::weak_ptr<TAddExternUploadItemInterface> noUploader;
    auto sound = boost::make_shared<TSoundRecorder>("/opt/nv/libnvplugin.so", noUploader);
    expectAnswers(*sound, {{"wavDeviceNum", {}, 0},
                           {"state", {}, 0},
                           {"errorInfo", {}, std::string()},
                           {"filename", {}, std::wstring()},
                           {"init", {1, 2.0, "3"}, 0},
                           {"wavDeviceDesc", {0}, std::wstring()},
                           {"start", {}, false},
                           {"stop", {}, false},
                           {"pause", {}, false},
                           {"closeAll", {}, false}});
    auto video = boost::make_shared<TVideoRecorder>("/opt/nv/libnvplugin.so", noUploader);
    expectAnswers(*video, {{"wavDeviceNum", {}, 0},
                           {"capDeviceNum", {}, 0},
                           {"state", {}, 0},
                           {"errorInfo", {}, std::wstring()},
                           {"filename", {}, std::wstring()},
                           {"init", {0, 0, 0, 0}, 3},
                           {"wavDeviceDesc", {1}, std::wstring()},
                           {"capDeviceDesc", {1}, std::wstring()},
                           {"start", {}, false},
                           {"stop", {}, false},
                           {"enableAudio", {true}, false},
                           {"compress", {false}, false},
                           {"closeAll", {}, false}});
}

TEST(Recorders, RejectWrongArgumentsBeforeAnswering) {
    boost::weak_ptr<TAddExternUploadItemInterface> noUploader;
    auto sound = boost::make_shared<TSoundRecorder>("", noUploader);
    auto video = boost::make_shared<TVideoRecorder>("", noUploader);
    EXPECT_THROW(sound->Invoke("init", {0, 0}), FB::invalid_arguments);
    EXPECT_THROW(sound->Invoke("wavDeviceDesc", {"first"}), FB::invalid_arguments);
    EXPECT_THROW(video->Invoke("init", {0, 0, 0}), FB::invalid_arguments);
    EXPECT_THROW(video->Invoke("capDeviceDesc", {}), FB::invalid_arguments);
}
