#pragma once

#include <QCoreApplication>
#include <QDebug>
#include <QList>
#include <QMap>
#include <QObject>
#include <QObjectCleanupHandler>
#include <QPointer>
#include <QSharedPointer>
#include <QThread>
#include <QWeakPointer>

#include <concepts>
#include <functional>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <type_traits>
#include <typeindex>
#include <unordered_map>

namespace tessarovin
{

// The process-wide registry of singletons (one per application run) and shared instances
// (alive while somebody holds them).
class Env
{
	public:
		// Marker base: the singleton may be requested from any thread.
		struct ThreadSafe
		{
		};

	private:
		using SingletonCreator = std::function<void* (bool)>;

		// Standard locks, which the thread sanitizer sees, unlike Debian's QReadWriteLock.
		// This one guards the handler, the creators and every singleton's stored pointer: the first
		// request for a singleton may come from any thread.
		std::shared_mutex mSingletonLock;
		QPointer<QObjectCleanupHandler> mSingletonHandler;
		QList<SingletonCreator> mSingletonCreator;
		QMap<const char*, QWeakPointer<QObject>> mSharedInstances;
		std::shared_mutex mSharedInstancesLock;
		std::unordered_map<std::type_index, std::shared_ptr<void>> mCreators;
		std::shared_mutex mCreatorsLock;

		Env() = default;

		template<typename T>
		static constexpr bool cHasOwnInstance = requires {
			T::getInstance();
		};

		template<typename T>
		static T* instancePointer(T* pInstance)
		{
			return pInstance;
		}


		template<typename T>
		static T* instancePointer(T& pInstance)
		{
			return &pInstance;
		}


		template<typename Signature>
		std::shared_ptr<std::function<Signature>> findCreator()
		{
			const std::shared_lock locker(mCreatorsLock);
			const auto entry = mCreators.find(std::type_index(typeid(Signature)));
			if (entry == mCreators.end())
			{
				return nullptr;
			}
			return std::static_pointer_cast<std::function<Signature>>(entry->second);
		}

	public:
		static Env& getInstance();

		// Runs each time an application object is constructed.
		static void installSingletonHandler();

		template<typename T>
		static T* getSingleton()
		{
			if constexpr (cHasOwnInstance<T>)
			{
				return instancePointer(T::getInstance());
			}
			else
			{
				T* instance = storedSingleton<T>(false);
				if constexpr (std::is_base_of_v<ThreadSafe, T>)
				{
					return instance;
				}
				else
				{
					return checkObjectInfo<T>(T::staticMetaObject.className(), instance);
				}
			}
		}


		template<typename T>
		static T* storedSingleton(bool pReset)
		{
			static QPointer<T> instance = createSingleton<T>();
			auto& env = getInstance();
			if (pReset)
			{
				// Built outside the lock: a constructor may ask for other singletons.
				T* fresh = createSingleton<T>();
				const std::unique_lock locker(env.mSingletonLock);
				instance = fresh;
				return fresh;
			}
			const std::shared_lock locker(env.mSingletonLock);
			return instance.data();
		}


		template<typename T>
		static T* createSingleton()
		{
			const char* name = T::staticMetaObject.className();
			qDebug() << "Create singleton:" << name;

			T* object = new T();
			QObject::connect(object, &QObject::destroyed, [name] {
					qDebug() << "Destroy singleton:" << name;
				});

			// The cleanup handler deletes its objects on the main thread; an object made on another
			// thread, which may end first, moves there to be deleted in its own thread.
			if (const auto* app = QCoreApplication::instance(); app && object->thread() != app->thread())
			{
				object->moveToThread(app->thread());
			}

			auto& env = getInstance();
			const std::unique_lock locker(env.mSingletonLock);
			if (env.mSingletonHandler)
			{
				env.mSingletonHandler->add(object);
			}
			env.mSingletonCreator << [](bool pReset) -> void* {
					return storedSingleton<T>(pReset);
				};
			return object;
		}


		template<typename T>
		static T* checkObjectInfo(const char* pName, T* pObject)
		{
			if (pObject && pObject->thread() != QThread::currentThread())
			{
				qWarning() << pName << "was created in" << pObject->thread()->objectName() << "but is requested by" << QThread::currentThread()->objectName();
			}
			return pObject;
		}


		template<typename T>
		static QSharedPointer<T> getShared(bool pSpawn = true)
		{
			auto& env = getInstance();
			const char* key = T::staticMetaObject.className();

			QSharedPointer<T> shared;
			{
				const std::shared_lock locker(env.mSharedInstancesLock);
				shared = qSharedPointerCast<T>(env.mSharedInstances.value(key).toStrongRef());
			}

			if (!shared && pSpawn)
			{
				const std::unique_lock locker(env.mSharedInstancesLock);
				shared = qSharedPointerCast<T>(env.mSharedInstances.value(key).toStrongRef());
				if (!shared)
				{
					qDebug() << "Spawn shared instance:" << key;
					shared = QSharedPointer<T>::create();
					env.mSharedInstances.insert(key, shared);
				}
			}

			return shared;
		}


		// Builds a new object owned by the caller; tests put another creator in place with setCreator.
		template<typename T, typename ... Args>
		static T create(Args&& ... pArgs)
		{
			using Signature = T(std::decay_t<Args>...);
			if (const auto creator = getInstance().findCreator<Signature>())
			{
				return (*creator)(std::forward<Args>(pArgs)...);
			}

			static_assert(std::is_pointer_v<T>, "Env::create without a creator builds pointers only");
			using Type = std::remove_pointer_t<T>;
			if constexpr (std::is_abstract_v<Type>)
			{
				// An interface is built only by the creator its implementation registers.
				qCritical() << "No creator registered for" << typeid(Signature).name();
				return nullptr;
			}
			else
			{
				return new Type(std::forward<Args>(pArgs)...);
			}
		}


		// An empty function removes the creator, so that create builds the type itself again.
		template<typename Signature>
		static void setCreator(std::function<Signature> pCreator)
		{
			auto& env = getInstance();
			const std::unique_lock locker(env.mCreatorsLock);
			const std::type_index key(typeid(Signature));
			if (pCreator)
			{
				env.mCreators[key] = std::make_shared<std::function<Signature>>(std::move(pCreator));
			}
			else
			{
				env.mCreators.erase(key);
			}
		}
};

} // namespace tessarovin
