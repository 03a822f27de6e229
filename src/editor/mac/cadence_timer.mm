#import "editor/mac/cadence_timer.h"

#import <Foundation/Foundation.h>

void* talvoStartCadenceClock(void (*tick)(void* context), void* context, double intervalSeconds) {
  if (tick == nullptr) return nullptr;
  const NSTimeInterval interval = intervalSeconds > 0.0 ? intervalSeconds : 1.0 / 30.0;
  NSTimer* timer = [NSTimer scheduledTimerWithTimeInterval:interval
                                                   repeats:YES
                                                     block:^(NSTimer*) {
                                                       tick(context);
                                                     }];
  return (void*)[timer retain];
}

void talvoStopCadenceClock(void* timer) {
  if (timer == nullptr) return;
  NSTimer* held = (NSTimer*)timer;
  [held invalidate];
  [held release];
}
