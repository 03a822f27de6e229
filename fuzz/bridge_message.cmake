if(TARGET talvo::state)
  talvo_fuzz(bridge_message talvo::bridge_messages)
endif()
