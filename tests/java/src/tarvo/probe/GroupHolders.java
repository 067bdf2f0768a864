package tarvo.probe;

import java.util.Collections;
import java.util.HashMap;
import java.util.Map;

/**
 * Objects that fillUserGroupNames may be called on besides a proper
 * TarvoUtils (bound with {@link NativeProbe#bindGroupFill}).
 */
public final class GroupHolders {
    private GroupHolders() {}

    /** No field "currentUserGroups" at all. */
    public static final class WithoutField {
        public native boolean fillUserGroupNames();
    }

    /** A field of that name that is no Map. */
    public static final class WithOtherType {
        public String currentUserGroups = "not a map";

        public native boolean fillUserGroupNames();
    }

    /** A map that refuses put. */
    public static final class WithFixedMap {
        public final Map<String, String> currentUserGroups = Collections.unmodifiableMap(new HashMap<String, String>());

        public native boolean fillUserGroupNames();
    }
}
