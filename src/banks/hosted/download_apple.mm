// Downloads with an ephemeral URL session (no cookies, cache or stored
// credentials). A delegate, rather than a completion handler, streams the
// body into the archive file as it arrives, so it is never held in memory.
#import <Foundation/Foundation.h>
#import <Security/Security.h>

#include "banks/hosted/apple_string.h"
#include "banks/hosted/download.h"

using talvo::ArchiveFile;

@interface TalvoArchiveReceiver : NSObject <NSURLSessionDataDelegate>
- (instancetype)initWithArchive:(ArchiveFile*)archive authority:(SecCertificateRef)authority;
@property(nonatomic, readonly) NSString* failure;
@property(nonatomic, readonly) dispatch_semaphore_t done;
@end

@implementation TalvoArchiveReceiver {
  ArchiveFile* _archive;
  SecCertificateRef _authority;  // not owned; outlives the session
  NSString* _failure;
}

- (instancetype)initWithArchive:(ArchiveFile*)archive authority:(SecCertificateRef)authority {
  if ((self = [super init])) {
    _archive = archive;
    _authority = authority;
    _done = dispatch_semaphore_create(0);
  }
  return self;
}

- (NSString*)failure {
  return _failure;
}

- (void)failTask:(NSURLSessionTask*)task with:(NSString*)message {
  if (_failure == nil) _failure = message;
  [task cancel];
}

- (void)URLSession:(NSURLSession*)session
              dataTask:(NSURLSessionDataTask*)task
    didReceiveResponse:(NSURLResponse*)response
     completionHandler:(void (^)(NSURLSessionResponseDisposition))completionHandler {
  if ([response isKindOfClass:NSHTTPURLResponse.class]) {
    const long status = static_cast<long>(((NSHTTPURLResponse*)response).statusCode);
    if (status != 200) {
      _failure = [NSString stringWithFormat:@"HTTP %ld", status];
      completionHandler(NSURLSessionResponseCancel);
      return;
    }
  }
  completionHandler(NSURLSessionResponseAllow);
}

- (void)URLSession:(NSURLSession*)session dataTask:(NSURLSessionDataTask*)task didReceiveData:(NSData*)data {
  __block bool written = true;
  [data enumerateByteRangesUsingBlock:^(const void* bytes, NSRange range, BOOL* stop) {
    written = _archive->append(bytes, range.length);
    *stop = !written;
  }];
  if (!written) [self failTask:task with:@(_archive->error().c_str())];
}

- (void)URLSession:(NSURLSession*)session
                          task:(NSURLSessionTask*)task
    willPerformHTTPRedirection:(NSHTTPURLResponse*)response
                    newRequest:(NSURLRequest*)request
             completionHandler:(void (^)(NSURLRequest*))completionHandler {
  if ([request.URL.scheme.lowercaseString isEqualToString:@"https"]) {
    completionHandler(request);
    return;
  }
  [self failTask:task with:@"hosted banks must be served over https"];
  completionHandler(nil);
}

// Tests trust their own authority beside the system's; shipped code has none.
- (void)URLSession:(NSURLSession*)session
    didReceiveChallenge:(NSURLAuthenticationChallenge*)challenge
      completionHandler:(void (^)(NSURLSessionAuthChallengeDisposition, NSURLCredential*))completionHandler {
  SecTrustRef trust = challenge.protectionSpace.serverTrust;
  if (_authority == nullptr || trust == nullptr ||
      ![challenge.protectionSpace.authenticationMethod
          isEqualToString:NSURLAuthenticationMethodServerTrust]) {
    completionHandler(NSURLSessionAuthChallengePerformDefaultHandling, nil);
    return;
  }
  SecTrustSetAnchorCertificates(trust, (__bridge CFArrayRef) @[ (__bridge id)_authority ]);
  SecTrustSetAnchorCertificatesOnly(trust, false);
  if (SecTrustEvaluateWithError(trust, nullptr)) {
    completionHandler(NSURLSessionAuthChallengeUseCredential, [NSURLCredential credentialForTrust:trust]);
  } else {
    completionHandler(NSURLSessionAuthChallengeCancelAuthenticationChallenge, nil);
  }
}

- (void)URLSession:(NSURLSession*)session task:(NSURLSessionTask*)task didCompleteWithError:(NSError*)error {
  if (_failure == nil && error != nil) _failure = error.localizedDescription ?: @"download failed";
  dispatch_semaphore_signal(_done);
}

@end

namespace talvo {

namespace {

// The DER certificate inside the first PEM block of `pem`; null when none.
SecCertificateRef certificateFromPem(const std::string& pem) {
  const std::string begin = "-----BEGIN CERTIFICATE-----";
  const std::size_t start = pem.find(begin);
  const std::size_t end = pem.find("-----END CERTIFICATE-----");
  if (start == std::string::npos || end == std::string::npos || end < start) return nullptr;
  NSString* body = @(pem.substr(start + begin.size(), end - start - begin.size()).c_str());
  NSData* der = [[NSData alloc] initWithBase64EncodedString:body
                                                    options:NSDataBase64DecodingIgnoreUnknownCharacters];
  return der ? SecCertificateCreateWithData(nullptr, (__bridge CFDataRef)der) : nullptr;
}

}  // namespace

bool checkHostedUrl(const std::string& url, std::string& error) {
  @autoreleasepool {
    NSString* text = @(url.c_str());
    NSURL* address = text ? [NSURL URLWithString:text] : nil;
    if (address == nil) {
      error = "hosted bank url is not a valid URL";
      return false;
    }
    if (![address.scheme.lowercaseString isEqualToString:@"https"]) {
      error = "hosted banks must be served over https";
      return false;
    }
    return true;
  }
}

bool downloadArchive(const std::string& url, const HostedFetchOptions& options, ArchiveFile& archive,
                     std::string& error) {
  @autoreleasepool {
    SecCertificateRef authority =
        options.extraTrustedCaPem.empty() ? nullptr : certificateFromPem(options.extraTrustedCaPem);
    NSURLSessionConfiguration* configuration = NSURLSessionConfiguration.ephemeralSessionConfiguration;
    configuration.timeoutIntervalForRequest = options.lowSpeedSeconds;
    configuration.timeoutIntervalForResource = options.totalTimeoutSeconds;
    TalvoArchiveReceiver* receiver = [[TalvoArchiveReceiver alloc] initWithArchive:&archive
                                                                         authority:authority];
    NSURLSession* session = [NSURLSession sessionWithConfiguration:configuration
                                                          delegate:receiver
                                                     delegateQueue:nil];
    [[session dataTaskWithURL:[NSURL URLWithString:@(url.c_str())]] resume];
    dispatch_semaphore_wait(receiver.done, DISPATCH_TIME_FOREVER);
    // The session holds its delegate until it is invalidated.
    [session invalidateAndCancel];
    if (authority) CFRelease(authority);
    if (receiver.failure == nil) return true;
    error = toStdString(receiver.failure);
    if (error.empty()) error = "download failed";
    return false;
  }
}

}  // namespace talvo
