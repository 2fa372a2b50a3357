// libdispatch as Apple declares it under ARC (queues are Objective-C objects), for
// handing work to the main queue.
#pragma once
#import <Foundation/Foundation.h>

@protocol OS_dispatch_queue <NSObject>
@end
typedef NSObject<OS_dispatch_queue>* dispatch_queue_t;
typedef void (^dispatch_block_t)(void);

#ifdef __cplusplus
extern "C" {
#endif
dispatch_queue_t dispatch_get_main_queue(void);
void dispatch_async(dispatch_queue_t queue, dispatch_block_t block);
void dispatch_sync(dispatch_queue_t queue, dispatch_block_t block);
#ifdef __cplusplus
}
#endif
