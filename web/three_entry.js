// What the report page uses of three.js, bundled by scripts/refresh_three.sh
// into third_party/three/three.bundle.min.js (a classic script defining the
// global THREE).
export {
  AmbientLight,
  BufferAttribute,
  BufferGeometry,
  Box3,
  Color,
  ColorManagement,
  DirectionalLight,
  DoubleSide,
  LineBasicMaterial,
  LineSegments,
  LinearSRGBColorSpace,
  MathUtils,
  Mesh,
  MeshLambertMaterial,
  PerspectiveCamera,
  Raycaster,
  Scene,
  Sphere,
  Vector2,
  Vector3,
  WebGLRenderer,
} from 'three';
export { OrbitControls } from 'three/examples/jsm/controls/OrbitControls.js';
